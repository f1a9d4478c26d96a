#include "itunes/ITunesRegistration.h"

#include <exception>
#include <memory>
#include <mutex>

#include "itunes/AutomationObject.h"
#include "itunes/ITunesIds.h"
#include "itunes/LibraryLookup.h"
#include "itunes/SameSongRules.h"
#include "itunes/SameSongSearch.h"
#include "itunes/ServerIdentity.h"
#include "itunes/WorkerApartment.h"

namespace {

constexpr unsigned kNameRetryWait = 100;  // ms
constexpr int kNameAttempts = 100;
// An import may finish later: its status is polled before its tracks are read.
constexpr unsigned kImportPollWait = 100;  // ms
constexpr int kImportPolls = 300;          // 30 s

// The caller's callbacks, cut off when the caller stops waiting: they may
// refer to what no longer exists then.
class Callbacks {
public:
    explicit Callbacks(const RegistrationOptions& options)
        : wait_(options.wait), stageDone_(options.stageDone) {}

    void Wait(unsigned milliseconds) {
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (open_ && wait_) {
                wait_(milliseconds);
                return;
            }
        }
        ::Sleep(milliseconds);
    }
    void StageDone(const char* stage) {
        std::lock_guard<std::mutex> lock(lock_);
        if (open_ && stageDone_) stageDone_(stage);
    }
    void Close() {
        std::lock_guard<std::mutex> lock(lock_);
        open_ = false;
    }

private:
    std::mutex lock_;
    bool open_ = true;
    std::function<void(unsigned)> wait_;
    std::function<void(const char*)> stageDone_;
};

std::vector<FileIdentity> OutputFolders(const Settings& settings, const Settings& station) {
    std::vector<std::wstring> folders = {station.GetString(L"OutputDirectory")};
    if (const Settings* stations = settings.FindGroup(L"Station")) {
        for (const auto& [name, each] : stations->groups) {
            folders.push_back(each.GetString(L"OutputDirectory"));
        }
    }
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
    Registration(const PendingSong& song, const Settings& settings, const Settings& station,
                 Callbacks& callbacks)
        : song_(song), settings_(settings), station_(station), callbacks_(callbacks) {}

    bool Run();

private:
    void Wait(unsigned milliseconds) const { callbacks_.Wait(milliseconds); }
    void StageDone(const char* stage) const { callbacks_.StageDone(stage); }

    bool Connect();
    AutomationObject AddFile() const;
    bool AddToStationPlaylist(const AutomationObject& track) const;
    AutomationObject FindStationPlaylist(const std::wstring& name) const;
    bool SetFields(const AutomationObject& track) const;

    const PendingSong& song_;
    const Settings& settings_;
    const Settings& station_;
    Callbacks& callbacks_;
    AutomationObject iTunes_;
    AutomationObject libraryPlaylist_;
};

bool Registration::Connect() {
    kit::ComPtr<IDispatch> application;
    if (FAILED(::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(application.Receive()))) ||
        !application) {
        return false;
    }
    iTunes_ = AutomationObject(std::move(application), ITunesServerIdentity());
    libraryPlaylist_ = iTunes_.GetObject(L"LibraryPlaylist");
    return static_cast<bool>(libraryPlaylist_);
}

AutomationObject Registration::AddFile() const {
    kit::ScopedBstr path(song_.filePath);
    AutomationObject status = libraryPlaylist_.CallObject(L"AddFile", {TextArgument(path)});
    if (!status) return {};
    for (int poll = 0;; ++poll) {
        // A status that cannot say is taken as finished: its tracks decide.
        bool inProgress = false;
        if (!status.GetBool(L"InProgress", inProgress) || !inProgress) break;
        if (poll == kImportPolls) return {};
        Wait(kImportPollWait);
    }
    AutomationObject added = status.GetObject(L"Tracks").OfKind(kTrackCollectionKind);
    if (!added) return {};
    return added.Item(1);
}

AutomationObject Registration::FindStationPlaylist(const std::wstring& name) const {
    AutomationObject source = iTunes_.GetObject(L"LibrarySource");
    if (!source) return {};
    AutomationObject playlists = source.GetObject(L"Playlists");
    if (!playlists) return {};
    AutomationObject found;
    playlists.VisitItems([&](AutomationObject& playlist) {
        // A playlist that cannot be fetched or named is passed over.
        std::wstring playlistName;
        if (!playlist.GetText(L"Name", playlistName) || playlistName != name) return true;
        found = std::move(playlist);
        return false;
    });
    if (found) return found;
    kit::ScopedBstr newName(name);
    return iTunes_.CallObject(L"CreatePlaylist", {TextArgument(newName)});
}

bool Registration::AddToStationPlaylist(const AutomationObject& track) const {
    const AutomationObject playlist = FindStationPlaylist(station_.GetString(L"StationName"));
    if (!playlist) return false;
    AutomationObject userPlaylist = playlist.Query(kIITUserPlaylist);
    if (!userPlaylist) return false;
    return userPlaylist.Call(L"AddTrack", {ObjectArgument(track.Get())});
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
    if (!named || !track.PutText(L"Artist", song_.artist) ||
        !track.PutText(L"Album", song_.album)) {
        track.Call(L"Delete");
        return false;
    }
    if (IsDecodedArtworkName(song_.artworkPath)) {
        kit::ScopedBstr artwork(song_.artworkPath);
        track.Call(L"AddArtworkFromFile", {TextArgument(artwork)});
    }
    return true;
}

bool Registration::Run() {
    if (!Connect()) return false;
    StageDone("connect");
    // Added by an attempt that could not report: registered, once.
    if (song_.checkLibraryFirst && LibraryHoldsFile(libraryPlaylist_, song_.title, song_.filePath)) return true;

    SameSongQuery query;
    query.title = song_.title;
    query.artist = song_.artist;
    query.album = song_.album;
    query.titleCheck = ToCheckType(settings_.GetInt(L"CheckTypeTitle"));
    query.artistCheck = ToCheckType(settings_.GetInt(L"CheckTypeArtist"));
    query.albumCheck = ToCheckType(settings_.GetInt(L"CheckTypeAlbum"));
    const SameSongSearchResult sameSongs = SearchSameSongs(iTunes_, libraryPlaylist_, query);
    StageDone("search");

    const AutomationObject track = AddFile();
    if (!track) return false;
    if (settings_.GetBool(L"IsAddPlayList") && !AddToStationPlaylist(track)) return false;
    if (!SetFields(track)) return false;
    StageDone("add");

    RegisteredSong registered;
    registered.track = track;
    registered.filePath = song_.filePath;
    registered.query = query;
    registered.outputFolders = OutputFolders(settings_, station_);
    ApplySameSongRules(libraryPlaylist_, sameSongs, registered, settings_);
    StageDone("rules");
    return true;
}

}  // namespace

bool RegisterSong(const PendingSong& song, const Settings& settings, const Settings& station,
                  const RegistrationOptions& options) {
    try {
        // The worker may outlive this call: it owns copies of what it reads.
        auto callbacks = std::make_shared<Callbacks>(options);
        auto work = [song, settings, station, callbacks] {
            return Registration(song, settings, station, *callbacks).Run();
        };
        return RunInWorkerApartment(work, options.deadlineMs, [&] { callbacks->Close(); });
    } catch (const std::exception&) {
        // Memory exhaustion while copying texts; every owner has let go by now.
        return false;
    }
}
