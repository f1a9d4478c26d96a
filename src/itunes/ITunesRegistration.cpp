#include "itunes/ITunesRegistration.h"

#include <exception>
#include <mutex>

#include "base/DiagnosticLog.h"
#include "itunes/AutomationObject.h"
#include "itunes/ITunesConnection.h"
#include "itunes/ITunesIds.h"
#include "itunes/LibraryImport.h"
#include "itunes/LibraryLookup.h"
#include "itunes/PersistentId.h"
#include "itunes/SameSongRules.h"
#include "itunes/SameSongSearch.h"
#include "itunes/StationPlaylist.h"

namespace {

constexpr unsigned kNameRetryWait = 100;  // ms
constexpr int kNameAttempts = 100;

std::vector<FileIdentity> OutputFolders(const PendingSong& song, const LibraryRules& rules) {
    std::vector<std::wstring> folders = rules.outputFolders;
    folders.push_back(song.outputFolder);
    std::vector<FileIdentity> identities;
    for (const std::wstring& folder : folders) {
        FileIdentity identity;
        if (!folder.empty() && ReadFileIdentity(folder, identity)) identities.push_back(identity);
    }
    return identities;
}

// Only pictures our own decoder accepted reach iTunes, saved under the
// extension of their content; anything else is no artwork.
bool IsDecodedArtworkName(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || path.find_first_of(L"\\/", dot) != std::wstring::npos) {
        return false;
    }
    const std::wstring extension = path.substr(dot);
    for (const wchar_t* known : {L".jpg", L".png", L".bmp"}) {
        if (::CompareStringOrdinal(extension.c_str(), -1, known, -1, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

class Registration {
public:
    Registration(ITunesConnection& connection, const PendingSong& song, const LibraryRules& rules,
                 const RegistrationOptions& options)
        : connection_(connection), song_(song), rules_(rules), options_(options) {}

    // Fills `result` as far as it gets.
    void Run(RegistrationResult& result);

private:
    void Wait(unsigned milliseconds) const {
        if (options_.wait) {
            options_.wait(milliseconds);
        } else {
            ::Sleep(milliseconds);
        }
    }
    void StageDone(const char* stage) const {
        if (options_.stageDone) options_.stageDone(stage);
    }
    // Empty when iTunes cannot say.
    std::wstring TrackId(const AutomationObject& track) const;

    AutomationObject AddFile() const;
    bool AddToStationPlaylist(const AutomationObject& track) const;
    bool SetFields(const AutomationObject& track) const;

    ITunesConnection& connection_;
    const PendingSong& song_;
    const LibraryRules& rules_;
    const RegistrationOptions& options_;
};

std::wstring Registration::TrackId(const AutomationObject& track) const {
    PersistentId id;
    bool pairFails = false;
    if (!ReadPersistentId(connection_.iTunes(), track, id, pairFails)) return {};
    return PersistentIdText(id);
}

AutomationObject Registration::AddFile() const {
    return ImportFile(connection_.libraryPlaylist(), song_.filePath, [this](unsigned ms) { Wait(ms); });
}

bool Registration::AddToStationPlaylist(const AutomationObject& track) const {
    const AutomationObject playlist = FindOrCreateStationPlaylist(connection_.iTunes(), song_.stationName);
    return playlist && playlist.Call(L"AddTrack", {ObjectArgument(track.Get())});
}

bool Registration::SetFields(const AutomationObject& track) const {
    bool named = false;
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        if (track.PutText(L"Name", song_.title)) {
            named = true;
            break;
        }
        if (attempt < kNameAttempts) Wait(kNameRetryWait);
    }
    if (!named || !track.PutText(L"Artist", song_.artist) || !track.PutText(L"Album", song_.album)) {
        return false;
    }
    if (IsDecodedArtworkName(song_.artworkPath)) {
        kit::ScopedBstr artwork(song_.artworkPath);
        track.Call(L"AddArtworkFromFile", {TextArgument(artwork)});
    }
    return true;
}

void Registration::Run(RegistrationResult& result) {
    if (!connection_.Open()) return;
    StageDone("connect");
    const AutomationObject& libraryPlaylist = connection_.libraryPlaylist();
    // Added by an attempt that could not report: registered, once.
    if (song_.checkLibraryFirst) {
        if (const AutomationObject held = FindTrackOfFile(libraryPlaylist, song_.title, song_.filePath)) {
            result.trackId = TrackId(held);
            result.registered = true;
            return;
        }
    }

    SameSongQuery query;
    query.title = song_.title;
    query.artist = song_.artist;
    query.album = song_.album;
    query.titleCheck = ToCheckType(rules_.titleCheck);
    query.artistCheck = ToCheckType(rules_.artistCheck);
    query.albumCheck = ToCheckType(rules_.albumCheck);
    const SameSongSearchResult sameSongs = SearchSameSongs(connection_.iTunes(), libraryPlaylist, query);
    StageDone("search");

    const AutomationObject track = AddFile();
    if (!track) return;
    // Named before the playlist step, and taken out again when a step fails:
    // left in, the track would stay nameless or outside the station's
    // playlist, and each retry would add another.
    if (!SetFields(track) || (rules_.addToStationPlaylist && !AddToStationPlaylist(track))) {
        track.Call(L"Delete");
        return;
    }
    result.trackId = TrackId(track);
    StageDone("add");

    RegisteredSong registered;
    registered.track = track;
    registered.filePath = song_.filePath;
    registered.label = TrackLabel(song_.artist, song_.title);
    registered.query = query;
    registered.outputFolders = OutputFolders(song_, rules_);
    ApplySameSongRules(libraryPlaylist, sameSongs, registered, rules_, [this](unsigned ms) { Wait(ms); },
                       result.actions);
    StageDone("rules");
    result.registered = true;
}

// Two registrations at once could both take the same track for a copy to
// delete; one given up at its deadline may still be running.
std::mutex& OneAtATime() {
    static std::mutex lock;
    return lock;
}

}  // namespace

RegistrationResult RegisterSongOn(ITunesConnection& connection, const PendingSong& song, const LibraryRules& rules,
                                  const RegistrationOptions& options) {
    std::lock_guard<std::mutex> one(OneAtATime());
    RegistrationResult result;
    try {
        Registration(connection, song, rules, options).Run(result);
    } catch (const std::exception& error) {
        // Memory exhaustion while copying texts; every owner has let go by now.
        LogFailure("登録中の例外", std::string_view(error.what()));
        result.registered = false;
    }
    return result;
}
