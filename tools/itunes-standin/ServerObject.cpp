#include "ServerObject.h"

#include <iterator>

#include "StandInState.h"
#include "base/ComOwners.h"

namespace {

struct MemberName {
    const wchar_t* name;
    Member member;
};

const MemberName kMembers[] = {
    {L"Item", Member::Item}, {L"LibraryPlaylist", Member::LibraryPlaylist},
    {L"LibrarySource", Member::LibrarySource}, {L"CreatePlaylist", Member::CreatePlaylist},
    {L"Tracks", Member::Tracks}, {L"Name", Member::Name}, {L"Kind", Member::Kind},
    {L"Search", Member::Search}, {L"AddFile", Member::AddFile}, {L"AddTrack", Member::AddTrack},
    {L"InProgress", Member::InProgress}, {L"Playlists", Member::Playlists},
    {L"Count", Member::Count}, {L"Artist", Member::Artist}, {L"Album", Member::Album},
    {L"Comment", Member::Comment}, {L"Composer", Member::Composer},
    {L"Enabled", Member::Enabled}, {L"Index", Member::Index},
    {L"AddArtworkFromFile", Member::AddArtworkFromFile}, {L"Delete", Member::Delete},
    {L"Location", Member::Location}, {L"Lyrics", Member::Lyrics},
    {L"ItemByPersistentID", Member::ItemByPersistentID},
    {L"ITObjectPersistentIDHigh", Member::ITObjectPersistentIDHigh},
    {L"ITObjectPersistentIDLow", Member::ITObjectPersistentIDLow},
    {L"GetITObjectPersistentIDs", Member::GetITObjectPersistentIDs},
    {L"Smart", Member::Smart}, {L"SpecialKind", Member::SpecialKind},
    {L"_NewEnum", Member::NewEnum},
    {L"StandInCallCount", Member::StandInCallCount},
};

// Item is the collections' default member, as in iTunes.
DISPID ToDispid(Member member) {
    if (member == Member::Item) return DISPID_VALUE;
    if (member == Member::NewEnum) return DISPID_NEWENUM;
    return static_cast<DISPID>(member) + 100;
}

const MemberName* FindMember(DISPID id) {
    for (const MemberName& entry : kMembers) {
        if (ToDispid(entry.member) == id) return &entry;
    }
    return nullptr;
}

const VARIANT* Argument(const DISPPARAMS& arguments, unsigned position) {
    // rgvarg runs last to first; a put's value sits at 0 among them.
    const unsigned positional = arguments.cArgs - arguments.cNamedArgs;
    if (position >= positional) return nullptr;
    const VARIANT* value = &arguments.rgvarg[arguments.cArgs - 1 - position];
    while (V_VT(value) == (VT_VARIANT | VT_BYREF)) value = V_VARIANTREF(value);
    return value;
}

}  // namespace

ServerObject::ServerObject() { State().ObjectCreated(); }
ServerObject::~ServerObject() { State().ObjectDestroyed(); }

STDMETHODIMP ServerObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || Answers(iid)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ServerObject::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) ServerObject::Release() {
    const long left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP ServerObject::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP ServerObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP ServerObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    ++State().answeredCalls;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const MemberName& entry : kMembers) {
        if (::lstrcmpiW(entry.name, names[0]) == 0) {
            ids[0] = ToDispid(entry.member);
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP ServerObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                  VARIANT* result, EXCEPINFO*, UINT*) {
    ++State().answeredCalls;
    const MemberName* entry = FindMember(id);
    if (!entry) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{};
    const DISPPARAMS& arguments = parameters ? *parameters : none;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put && arguments.cArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
    if (State().ShouldFail(put ? std::wstring(L"put ") + entry->name : entry->name)) return E_FAIL;
    State().HangIfAsked(entry->name);
    // Callers may pass no result slot; the object still writes one.
    kit::ScopedVariant ignored;
    return Call(entry->member, put, arguments, result ? result : ignored.Receive());
}

bool TextArgument(const DISPPARAMS& arguments, unsigned position, std::wstring& text) {
    const VARIANT* value = Argument(arguments, position);
    if (!value) return false;
    kit::ScopedVariant converted;
    if (FAILED(::VariantChangeType(converted.Receive(), const_cast<VARIANT*>(value), 0, VT_BSTR))) {
        return false;
    }
    BSTR bstr = V_BSTR(&converted.Get());
    text.assign(bstr ? bstr : L"", ::SysStringLen(bstr));
    return true;
}

bool LongArgument(const DISPPARAMS& arguments, unsigned position, long& number) {
    const VARIANT* value = Argument(arguments, position);
    if (!value) return false;
    kit::ScopedVariant converted;
    if (FAILED(::VariantChangeType(converted.Receive(), const_cast<VARIANT*>(value), 0, VT_I4))) {
        return false;
    }
    number = V_I4(&converted.Get());
    return true;
}

bool BoolArgument(const DISPPARAMS& arguments, unsigned position, bool& flag) {
    const VARIANT* value = Argument(arguments, position);
    if (!value) return false;
    kit::ScopedVariant converted;
    if (FAILED(::VariantChangeType(converted.Receive(), const_cast<VARIANT*>(value), 0, VT_BOOL))) {
        return false;
    }
    flag = V_BOOL(&converted.Get()) != VARIANT_FALSE;
    return true;
}

bool SetLongArgument(const DISPPARAMS& arguments, unsigned position, long value) {
    const unsigned positional = arguments.cArgs - arguments.cNamedArgs;
    if (position >= positional) return false;
    VARIANT* slot = &arguments.rgvarg[arguments.cArgs - 1 - position];
    if (V_VT(slot) == (VT_BYREF | VT_I4) && V_I4REF(slot)) {
        *V_I4REF(slot) = value;
        return true;
    }
    if (V_VT(slot) != (VT_BYREF | VT_VARIANT) || !V_VARIANTREF(slot)) return false;
    VARIANT* inner = V_VARIANTREF(slot);
    ::VariantClear(inner);
    V_VT(inner) = VT_I4;
    V_I4(inner) = value;
    return true;
}

IDispatch* ObjectArgument(const DISPPARAMS& arguments, unsigned position) {
    const VARIANT* value = Argument(arguments, position);
    return value && V_VT(value) == VT_DISPATCH ? V_DISPATCH(value) : nullptr;
}

const VARIANT& PutValue(const DISPPARAMS& arguments) { return arguments.rgvarg[0]; }

HRESULT ReturnText(VARIANT* result, const std::wstring& text) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnLong(VARIANT* result, long value) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
    return S_OK;
}

HRESULT ReturnBool(VARIANT* result, bool value) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ReturnObject(VARIANT* result, ServerObject* object) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object;
    return S_OK;
}
