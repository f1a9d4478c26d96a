#include "StandInObjects.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "ServerObject.h"
#include "StandInEnumerator.h"
#include "StandInState.h"
#include "StandInTracks.h"
#include "itunes/ITunesIds.h"

namespace {

const wchar_t kLibraryName[] = L"ライブラリ";
constexpr long kLibraryPlaylist = -1;
// ITUserPlaylistSpecialKind of a folder.
constexpr long kFolderSpecialKind = 4;

StandInLibrary& Library() { return State().library; }

// Upper case and half width, so that searches ignore both, as iTunes' do.
std::wstring Upper(const std::wstring& text) {
    if (text.empty()) return text;
    const DWORD flags = LCMAP_UPPERCASE | LCMAP_HALFWIDTH;
    const int size = ::LCMapStringEx(LOCALE_NAME_INVARIANT, flags, text.c_str(),
                                     static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr, 0);
    if (size <= 0) return text;
    std::wstring upper(size, L'\0');
    ::LCMapStringEx(LOCALE_NAME_INVARIANT, flags, text.c_str(), static_cast<int>(text.size()),
                    upper.data(), size, nullptr, nullptr, 0);
    return upper;
}

// iTunes finds a track when every word of the search text is somewhere in the
// field: "Love" finds "Last Love" and "Love Song", "Love X" finds "X Love".
std::vector<std::wstring> Words(const std::wstring& upperText) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : upperText + L" ") {
        if (std::iswspace(c) || c == 0x3000) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    return words;
}

// Called for every track on each import: stops at the first difference.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

bool MatchesField(const StandInTrack& track, long field, const std::vector<std::wstring>& words) {
    auto has = [&](const std::wstring& value) {
        const std::wstring upper = Upper(value);
        for (const std::wstring& word : words) {
            if (upper.find(word) == std::wstring::npos) return false;
        }
        return !words.empty();
    };
    switch (field) {
        case kSearchArtists: return has(track.artist);
        case kSearchAlbums: return has(track.album);
        case kSearchComposers: return has(track.composer);
        case kSearchSongNames: return has(track.name);
        default:
            return has(track.name) || has(track.artist) || has(track.album) ||
                   has(track.composer);
    }
}

class PlaylistObject : public ServerObject {
public:
    explicit PlaylistObject(long which) : which_(which) {}

protected:
    bool Answers(REFIID iid) const override {
        const StandInPlaylist* playlist = Playlist();
        return IsEqualIID(iid, kIITUserPlaylist) && playlist && playlist->user;
    }

    HRESULT Call(Member member, bool put, const DISPPARAMS& arguments, VARIANT* result) override {
        if (put) return DISP_E_MEMBERNOTFOUND;
        const bool library = which_ == kLibraryPlaylist;
        StandInPlaylist* playlist = Playlist();
        if (!library && !playlist) return kObjectDeleted;
        switch (member) {
            case Member::Name: return ReturnText(result, library ? kLibraryName : playlist->name);
            case Member::Kind: return ReturnLong(result, library ? 1 : playlist->user ? 2 : 0);
            case Member::Tracks:
                return ReturnObject(result, library ? NewLibraryTracks()
                                                    : NewTrackList(playlist->trackIds));
            case Member::Search: return Search(arguments, result);
            case Member::AddFile:
                if (!library) return DISP_E_MEMBERNOTFOUND;
                return AddFile(arguments, result);
            case Member::Smart:
                if (library || !playlist->user) return DISP_E_MEMBERNOTFOUND;
                return ReturnBool(result, playlist->smart);
            case Member::SpecialKind:
                if (library || !playlist->user) return DISP_E_MEMBERNOTFOUND;
                return ReturnLong(result, playlist->folder ? kFolderSpecialKind : 0);
            case Member::AddTrack:
                if (library || !playlist->user) return DISP_E_MEMBERNOTFOUND;
                if (playlist->smart || playlist->folder) return E_FAIL;
                return AddTrack(*playlist, arguments, result);
            default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    StandInPlaylist* Playlist() const {
        auto& playlists = Library().playlists;
        if (which_ < 0 || which_ >= static_cast<long>(playlists.size())) return nullptr;
        return &playlists[which_];
    }

    HRESULT Search(const DISPPARAMS& arguments, VARIANT* result) const {
        std::wstring text;
        long field = 0;
        if (!TextArgument(arguments, 0, text) || !LongArgument(arguments, 1, field)) {
            return DISP_E_TYPEMISMATCH;
        }
        std::vector<long> ids;
        const std::vector<std::wstring> words = Words(Upper(text));
        const StandInPlaylist* playlist = Playlist();
        for (const StandInTrack& track : Library().tracks) {
            if (playlist && std::find(playlist->trackIds.begin(), playlist->trackIds.end(),
                                      track.id) == playlist->trackIds.end()) {
                continue;
            }
            if (MatchesField(track, field, words)) ids.push_back(track.id);
        }
        // Nothing found gives no collection at all, as in iTunes.
        return ReturnObject(result, ids.empty() ? nullptr : NewTrackList(std::move(ids)));
    }

    HRESULT AddFile(const DISPPARAMS& arguments, VARIANT* result) const {
        std::wstring path;
        if (!TextArgument(arguments, 0, path)) return DISP_E_TYPEMISMATCH;
        InsertTracksAddedMeanwhile();
        std::vector<long> ids;
        // A file already in the library gives back its track.
        for (const StandInTrack& track : Library().tracks) {
            if (track.fileTrack && SamePath(track.location, path)) ids.push_back(track.id);
        }
        if (ids.empty() && IsFile(path)) {
            std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
            const size_t dot = name.find_last_of(L'.');
            if (dot != std::wstring::npos && dot > 0) name.erase(dot);
            StandInTrack& track = Library().AddTrack(name, L"", L"");
            track.location = path;
            ids.push_back(track.id);
            State().Changed();
        }
        return ReturnObject(result, NewImportStatus(std::move(ids), Library().busyPolls));
    }

    static void InsertTracksAddedMeanwhile() {
        StandInLibrary& library = Library();
        if (library.insertOnAdd.empty()) return;
        for (StandInTrack track : library.insertOnAdd) {
            track.id = library.nextId++;
            library.tracks.insert(library.tracks.begin(), track);
        }
        library.insertOnAdd.clear();
        State().Changed();
    }

    HRESULT AddTrack(StandInPlaylist& playlist, const DISPPARAMS& arguments,
                     VARIANT* result) const {
        long id = 0;
        if (!TrackIdOf(ObjectArgument(arguments, 0), id)) return E_INVALIDARG;
        if (!Library().FindTrack(id)) return kObjectDeleted;
        playlist.trackIds.push_back(id);
        State().Changed();
        return ReturnObject(result, NewTrack(id));
    }

    long which_;
};

class PlaylistCollection : public ServerObject {
protected:
    HRESULT Call(Member member, bool put, const DISPPARAMS& arguments, VARIANT* result) override {
        if (put) return DISP_E_MEMBERNOTFOUND;
        // The library playlist comes first, as in iTunes' library source.
        const long count = static_cast<long>(Library().playlists.size()) + 1;
        if (member == Member::Count) return ReturnLong(result, count);
        if (member == Member::NewEnum) {
            return ReturnEnumerator(result, count, [](long i) { return NewPlaylist(i + 1); });
        }
        if (member != Member::Item) return DISP_E_MEMBERNOTFOUND;
        long index = 0;
        if (!LongArgument(arguments, 0, index)) return DISP_E_TYPEMISMATCH;
        if (index < 1 || index > count) return E_INVALIDARG;
        return ReturnObject(result, NewPlaylist(index));
    }

private:
    static ServerObject* NewPlaylist(long index) {
        return new PlaylistObject(index == 1 ? kLibraryPlaylist : index - 2);
    }
};

class SourceObject : public ServerObject {
protected:
    HRESULT Call(Member member, bool put, const DISPPARAMS&, VARIANT* result) override {
        if (put) return DISP_E_MEMBERNOTFOUND;
        if (member == Member::Name) return ReturnText(result, kLibraryName);
        if (member == Member::Playlists) return ReturnObject(result, new PlaylistCollection());
        return DISP_E_MEMBERNOTFOUND;
    }
};

class Application : public ServerObject {
public:
    Application() { ++State().liveApplications; }
    ~Application() override { --State().liveApplications; }

protected:
    HRESULT Call(Member member, bool put, const DISPPARAMS& arguments, VARIANT* result) override {
        if (put) return DISP_E_MEMBERNOTFOUND;
        switch (member) {
            case Member::LibraryPlaylist:
                return ReturnObject(result, new PlaylistObject(kLibraryPlaylist));
            case Member::LibrarySource: return ReturnObject(result, new SourceObject());
            case Member::StandInCallCount: return ReturnLong(result, State().answeredCalls);
            case Member::ITObjectPersistentIDHigh:
            case Member::ITObjectPersistentIDLow: {
                long id = 0;
                if (!TrackIdOf(ObjectArgument(arguments, 0), id) || !Library().FindTrack(id)) return E_INVALIDARG;
                return ReturnLong(result, member == Member::ITObjectPersistentIDHigh ? kPersistentIdHigh : id);
            }
            case Member::GetITObjectPersistentIDs: {
                long id = 0;
                if (!TrackIdOf(ObjectArgument(arguments, 0), id) || !Library().FindTrack(id)) return E_INVALIDARG;
                if (!SetLongArgument(arguments, 1, kPersistentIdHigh) || !SetLongArgument(arguments, 2, id)) {
                    return DISP_E_TYPEMISMATCH;
                }
                return S_OK;
            }
            case Member::CreatePlaylist: {
                StandInPlaylist playlist;
                if (!TextArgument(arguments, 0, playlist.name)) return DISP_E_TYPEMISMATCH;
                Library().playlists.push_back(playlist);
                State().Changed();
                const long which = static_cast<long>(Library().playlists.size()) - 1;
                return ReturnObject(result, new PlaylistObject(which));
            }
            default: return DISP_E_MEMBERNOTFOUND;
        }
    }
};

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the process.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        StandInState& state = State();
        if (state.liveApplications == 0 && !state.libraryPath.empty()) {
            state.library.Load(state.libraryPath);
        }
        ++state.library.connections;
        state.Changed();
        Application* application = new Application();
        const HRESULT hr = application->QueryInterface(iid, object);
        application->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) {
            State().ObjectCreated();
        } else {
            State().ObjectDestroyed();
        }
        return S_OK;
    }
};

}  // namespace

IClassFactory* ApplicationFactory() {
    static Factory factory;
    return &factory;
}
