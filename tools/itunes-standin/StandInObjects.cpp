#include "StandInObjects.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "ServerObject.h"
#include "StandInState.h"
#include "itunes/ITunesIds.h"

namespace {

// Answered by track objects inside this process only, so that AddTrack can
// tell which track a client handed back.
const IID kStandInTrackIdentity = {
    0x6d1f3a52, 0x9b0e, 0x4c67, {0x8e, 0x21, 0x4a, 0x5b, 0x70, 0x13, 0xc2, 0x9d}};

const wchar_t kLibraryName[] = L"ライブラリ";
constexpr long kLibraryPlaylist = -1;

StandInLibrary& Library() { return State().library; }

std::wstring Upper(const std::wstring& text) {
    std::wstring upper = text;
    if (!upper.empty()) ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

// Called for every track on each import: stops at the first difference.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class TrackObject : public ServerObject {
public:
    explicit TrackObject(long id) : id_(id) {}
    long id() const { return id_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object && IsEqualIID(iid, kStandInTrackIdentity)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return ServerObject::QueryInterface(iid, object);
    }

protected:
    bool Answers(REFIID iid) const override {
        const StandInTrack* track = Library().FindTrack(id_);
        return IsEqualIID(iid, kIITFileOrCDTrack) && track && track->fileTrack;
    }

    HRESULT Call(Member member, bool put, const DISPPARAMS& arguments, VARIANT* result) override {
        StandInTrack* track = Library().FindTrack(id_);
        if (!track) return kObjectDeleted;
        std::wstring* text = nullptr;
        switch (member) {
            case Member::Name: text = &track->name; break;
            case Member::Artist: text = &track->artist; break;
            case Member::Album: text = &track->album; break;
            case Member::Comment: text = &track->comment; break;
            case Member::Composer: text = &track->composer; break;
            case Member::Location:
            case Member::Lyrics:
                if (!track->fileTrack) return DISP_E_MEMBERNOTFOUND;
                text = member == Member::Location ? &track->location : &track->lyrics;
                break;
            case Member::Enabled:
                if (!put) return ReturnBool(result, track->enabled);
                if (!BoolArgumentOfPut(arguments, track->enabled)) return DISP_E_TYPEMISMATCH;
                State().Changed();
                return S_OK;
            case Member::Index:
                return ReturnLong(result, Library().IndexOf(id_));
            case Member::AddArtworkFromFile: {
                std::wstring path;
                if (!TextArgument(arguments, 0, path)) return DISP_E_TYPEMISMATCH;
                if (!IsFile(path)) return E_FAIL;
                track->artwork = path;
                State().Changed();
                return ReturnObject(result, nullptr);
            }
            case Member::Delete:
                Library().RemoveTrack(id_);
                State().Changed();
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
        if (!put) return ReturnText(result, *text);
        ScopedVariantText value;
        if (!value.From(PutValue(arguments))) return DISP_E_TYPEMISMATCH;
        *text = value.text;
        State().Changed();
        return S_OK;
    }

private:
    struct ScopedVariantText {
        std::wstring text;
        bool From(const VARIANT& variant) {
            DISPPARAMS single{const_cast<VARIANT*>(&variant), nullptr, 1, 0};
            return TextArgument(single, 0, text);
        }
    };
    static bool BoolArgumentOfPut(const DISPPARAMS& arguments, bool& flag) {
        DISPPARAMS single{const_cast<VARIANT*>(&PutValue(arguments)), nullptr, 1, 0};
        return BoolArgument(single, 0, flag);
    }

    long id_;
};

// A fixed list of tracks (search results, an import's tracks, a user
// playlist), or, with `live`, the library itself.
class TrackCollection : public ServerObject {
public:
    TrackCollection() : live_(true) {}
    explicit TrackCollection(std::vector<long> ids) : ids_(std::move(ids)) {}

protected:
    HRESULT Call(Member member, bool put, const DISPPARAMS& arguments, VARIANT* result) override {
        if (put) return DISP_E_MEMBERNOTFOUND;
        const long count = live_ ? static_cast<long>(Library().tracks.size())
                                 : static_cast<long>(ids_.size());
        if (member == Member::Count) return ReturnLong(result, count);
        if (member != Member::Item) return DISP_E_MEMBERNOTFOUND;
        long index = 0;
        if (!LongArgument(arguments, 0, index)) return DISP_E_TYPEMISMATCH;
        if (index < 1 || index > count) return E_INVALIDARG;
        const long id = live_ ? Library().tracks[index - 1].id : ids_[index - 1];
        return ReturnObject(result, new TrackObject(id));
    }

private:
    bool live_ = false;
    std::vector<long> ids_;
};

class OperationStatus : public ServerObject {
public:
    OperationStatus(std::vector<long> ids, int busyPolls)
        : ids_(std::move(ids)), busyPolls_(busyPolls) {}

protected:
    HRESULT Call(Member member, bool put, const DISPPARAMS&, VARIANT* result) override {
        if (put) return DISP_E_MEMBERNOTFOUND;
        if (member == Member::InProgress) {
            const bool busy = busyPolls_ > 0;
            if (busy) --busyPolls_;
            return ReturnBool(result, busy);
        }
        // iTunes lets nobody read the tracks before the import completes.
        if (member == Member::Tracks) {
            if (busyPolls_ > 0) return E_FAIL;
            return ReturnObject(result, new TrackCollection(ids_));
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::vector<long> ids_;
    int busyPolls_;
};

bool MatchesField(const StandInTrack& track, long field, const std::wstring& upperText) {
    auto has = [&](const std::wstring& value) {
        return Upper(value).find(upperText) != std::wstring::npos;
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
                return ReturnObject(result, library ? new TrackCollection()
                                                    : new TrackCollection(playlist->trackIds));
            case Member::Search: return Search(arguments, result);
            case Member::AddFile:
                if (!library) return DISP_E_MEMBERNOTFOUND;
                return AddFile(arguments, result);
            case Member::AddTrack:
                if (library || !playlist->user) return DISP_E_MEMBERNOTFOUND;
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
        const std::wstring upperText = Upper(text);
        const StandInPlaylist* playlist = Playlist();
        for (const StandInTrack& track : Library().tracks) {
            if (playlist && std::find(playlist->trackIds.begin(), playlist->trackIds.end(),
                                      track.id) == playlist->trackIds.end()) {
                continue;
            }
            if (!text.empty() && MatchesField(track, field, upperText)) ids.push_back(track.id);
        }
        // Nothing found gives no collection at all, as in iTunes.
        return ReturnObject(result, ids.empty() ? nullptr : new TrackCollection(std::move(ids)));
    }

    HRESULT AddFile(const DISPPARAMS& arguments, VARIANT* result) const {
        std::wstring path;
        if (!TextArgument(arguments, 0, path)) return DISP_E_TYPEMISMATCH;
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
        return ReturnObject(result, new OperationStatus(std::move(ids), Library().busyPolls));
    }

    HRESULT AddTrack(StandInPlaylist& playlist, const DISPPARAMS& arguments,
                     VARIANT* result) const {
        IDispatch* given = ObjectArgument(arguments, 0);
        TrackObject* track = nullptr;
        if (!given || FAILED(given->QueryInterface(kStandInTrackIdentity,
                                                   reinterpret_cast<void**>(&track)))) {
            return E_INVALIDARG;
        }
        const long id = track->id();
        track->Release();
        if (!Library().FindTrack(id)) return kObjectDeleted;
        playlist.trackIds.push_back(id);
        State().Changed();
        return ReturnObject(result, new TrackObject(id));
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
        if (member != Member::Item) return DISP_E_MEMBERNOTFOUND;
        long index = 0;
        if (!LongArgument(arguments, 0, index)) return DISP_E_TYPEMISMATCH;
        if (index < 1 || index > count) return E_INVALIDARG;
        return ReturnObject(result, new PlaylistObject(index == 1 ? kLibraryPlaylist : index - 2));
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
