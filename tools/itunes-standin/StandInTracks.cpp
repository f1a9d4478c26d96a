#include "StandInTracks.h"

#include <algorithm>

#include "StandInEnumerator.h"
#include "StandInState.h"
#include "itunes/ITunesIds.h"

namespace {

// Answered by track objects inside this process only, so that AddTrack can
// tell which track a client handed back.
const IID kStandInTrackIdentity = {
    0x6d1f3a52, 0x9b0e, 0x4c67, {0x8e, 0x21, 0x4a, 0x5b, 0x70, 0x13, 0xc2, 0x9d}};

StandInLibrary& Library() { return State().library; }

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
                if (Library().holdDeletedFiles && track->fileTrack) {
                    State().heldFiles.emplace_back(::CreateFileW(track->location.c_str(), GENERIC_READ,
                                                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                                                 nullptr));
                }
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
        if (member == Member::NewEnum) {
            std::vector<long> ids = ids_;
            if (live_) {
                for (const StandInTrack& track : Library().tracks) ids.push_back(track.id);
            }
            return ReturnEnumerator(result, count, [ids](long i) { return new TrackObject(ids[i]); });
        }
        if (member == Member::ItemByPersistentID) return ItemByPersistentId(arguments, result);
        if (member != Member::Item) return DISP_E_MEMBERNOTFOUND;
        long index = 0;
        if (!LongArgument(arguments, 0, index)) return DISP_E_TYPEMISMATCH;
        if (index < 1 || index > count) return E_INVALIDARG;
        const long id = live_ ? Library().tracks[index - 1].id : ids_[index - 1];
        return ReturnObject(result, new TrackObject(id));
    }

private:
    // Null when the collection does not hold that track, as in iTunes.
    HRESULT ItemByPersistentId(const DISPPARAMS& arguments, VARIANT* result) const {
        long high = 0, low = 0;
        if (!LongArgument(arguments, 0, high) || !LongArgument(arguments, 1, low)) return DISP_E_TYPEMISMATCH;
        const bool held = high == kPersistentIdHigh &&
                          (live_ ? Library().FindTrack(low) != nullptr
                                 : std::find(ids_.begin(), ids_.end(), low) != ids_.end());
        return ReturnObject(result, held ? new TrackObject(low) : nullptr);
    }

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

}  // namespace

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}


ServerObject* NewTrack(long id) { return new TrackObject(id); }
ServerObject* NewTrackList(std::vector<long> ids) { return new TrackCollection(std::move(ids)); }
ServerObject* NewLibraryTracks() { return new TrackCollection(); }
ServerObject* NewImportStatus(std::vector<long> ids, int busyPolls) {
    return new OperationStatus(std::move(ids), busyPolls);
}

bool TrackIdOf(IDispatch* object, long& id) {
    TrackObject* track = nullptr;
    if (!object ||
        FAILED(object->QueryInterface(kStandInTrackIdentity, reinterpret_cast<void**>(&track)))) {
        return false;
    }
    id = track->id();
    track->Release();
    return true;
}
