#pragma once
// The base of every object the stand-in serves: IDispatch alone, members
// resolved from one table of names, faults injected by member before a call
// reaches the object.
#include <windows.h>
#include <oaidl.h>

#include <string>

enum class Member {
    Item,  // DISPID_VALUE
    LibraryPlaylist, LibrarySource, CreatePlaylist, Tracks, Name, Kind, Search, AddFile,
    AddTrack, InProgress, Playlists, Count, Artist, Album, Comment, Composer, Enabled, Index,
    AddArtworkFromFile, Delete, Location, Lyrics, ItemByPersistentID, ITObjectPersistentIDHigh,
    ITObjectPersistentIDLow, GetITObjectPersistentIDs, Smart, SpecialKind,
    NewEnum,  // DISPID_NEWENUM, as in every automation collection
    StandInCallCount,  // not iTunes': calls this server has answered, for benchmarks
};

class ServerObject : public IDispatch {
public:
    ServerObject();
    virtual ~ServerObject();
    ServerObject(const ServerObject&) = delete;
    ServerObject& operator=(const ServerObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                        VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

protected:
    // Interfaces answered besides IUnknown and IDispatch.
    virtual bool Answers(REFIID iid) const { return false; }
    // `put` is true for a property put, whose value is `arguments.rgvarg[0]`.
    virtual HRESULT Call(Member member, bool put, const DISPPARAMS& arguments,
                         VARIANT* result) = 0;

private:
    long references_ = 1;
};

// Arguments in declared order (0 is the first); false when missing or of
// another kind.
bool TextArgument(const DISPPARAMS& arguments, unsigned position, std::wstring& text);
bool LongArgument(const DISPPARAMS& arguments, unsigned position, long& value);
bool BoolArgument(const DISPPARAMS& arguments, unsigned position, bool& value);
// Writes an [out] long argument (a long or a VARIANT by reference).
bool SetLongArgument(const DISPPARAMS& arguments, unsigned position, long value);
// The object inside a VT_DISPATCH argument, borrowed.
IDispatch* ObjectArgument(const DISPPARAMS& arguments, unsigned position);
// The value of a property put.
const VARIANT& PutValue(const DISPPARAMS& arguments);

HRESULT ReturnText(VARIANT* result, const std::wstring& text);
HRESULT ReturnLong(VARIANT* result, long value);
HRESULT ReturnBool(VARIANT* result, bool value);
// Takes over the object's first reference; null gives a null object.
HRESULT ReturnObject(VARIANT* result, ServerObject* object);

// iTunes' own code for a call on a track that has been deleted.
constexpr HRESULT kObjectDeleted = static_cast<HRESULT>(0xA0040202);
