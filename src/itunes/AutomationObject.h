#pragma once
// An automation object called by member name through IDispatch. Member names
// are resolved at run time, so the same code drives any server that answers
// them, whatever DISPIDs it uses. Every result is owned on return.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/ComOwners.h"

// Argument values for Invoke. They borrow: the BSTR or object must outlive
// the call.
VARIANT TextArgument(const kit::ScopedBstr& text);
VARIANT LongArgument(long value);
VARIANT ObjectArgument(IDispatch* object);
// An [out] long: the call writes `value`.
VARIANT LongReference(long& value);

// How long a call that the server refuses (RPC_E_CALL_REJECTED,
// RPC_E_SERVERCALL_RETRYLATER: iTunes with a dialog open) is tried again,
// every 250 ms. 30 s unless a test shortens it. Shared by every thread.
void SetRejectedCallPatience(unsigned milliseconds);

// The most members a collection is walked to, whatever count it reports.
constexpr long kMaxCollectionCount = 200000;

class AutomationObject {
public:
    AutomationObject() = default;
    // The root of a connection: what it hands out, directly or not, shares
    // the kinds below.
    explicit AutomationObject(kit::ComPtr<IDispatch> dispatch)
        : dispatch_(std::move(dispatch)),
          ids_(std::make_shared<IdCache>()),
          kinds_(std::make_shared<KindTable>()) {}
    // A root whose server `serverIdentity` names (see ServerIdentity.h): what
    // an earlier connection to the same server resolved is not asked again.
    AutomationObject(kit::ComPtr<IDispatch> dispatch, const std::wstring& serverIdentity);

    explicit operator bool() const { return static_cast<bool>(dispatch_); }
    IDispatch* Get() const { return dispatch_.Get(); }

    // Arguments in the order the member declares them.
    HRESULT Invoke(const wchar_t* member, WORD flags, std::initializer_list<VARIANT> arguments,
                   VARIANT* result) const;

    // Null when the call fails or yields no object.
    AutomationObject GetObject(const wchar_t* property) const;
    AutomationObject CallObject(const wchar_t* method,
                                std::initializer_list<VARIANT> arguments) const;
    // Collections: 1-based, a property get with an argument.
    AutomationObject Item(long index) const;
    // Hands `visit` each member of a collection in its order, at most
    // kMaxCollectionCount, until it answers false. Members come many to a
    // call through the collection's enumerator (_NewEnum), by Count and Item
    // one at a time where that fails; those that cannot be fetched are left
    // out. Only one call's worth is held at a time.
    void VisitItems(const std::function<bool(AutomationObject&)>& visit) const;
    // The collection's Count, at most kMaxCollectionCount; false when unread.
    bool GetCount(long& count) const;
    // Another interface of the same object, used through its own IDispatch.
    AutomationObject Query(const IID& iid) const;
    // The same object, taken as one of the kind `kind` names: every object of
    // that kind from this connection, whatever member handed it out, shares
    // what was resolved, and so do their collection members.
    AutomationObject OfKind(const wchar_t* kind) const;

    bool GetText(const wchar_t* property, std::wstring& text) const;
    bool GetLong(const wchar_t* property, long& value) const;
    // A property read with arguments (iTunes' ITObjectPersistentIDHigh(track)).
    bool GetLong(const wchar_t* property, std::initializer_list<VARIANT> arguments, long& value) const;
    bool GetBool(const wchar_t* property, bool& value) const;
    bool PutText(const wchar_t* property, const std::wstring& text) const;
    bool PutBool(const wchar_t* property, bool value) const;
    // A method whose result, if any, is dropped.
    bool Call(const wchar_t* method, std::initializer_list<VARIANT> arguments = {}) const;

private:
    // Each name is resolved once: every lookup is a round trip to iTunes'
    // process. Copies of the object, its other (derived, dual) interfaces,
    // the members of one collection and the objects of one named kind (each
    // all of one interface, so of the same DISPIDs) share what was resolved.
    struct IdCache {
        std::vector<std::pair<std::wstring, DISPID>> ids;
        std::shared_ptr<IdCache> items;  // of the members of a collection
        // Where the objects of this cache come from, from the server on:
        // "server/LibraryPlaylist/Search/[]". Empty: remembered nowhere else.
        std::wstring path;
    };
    using KindTable = std::vector<std::pair<std::wstring, std::shared_ptr<IdCache>>>;
    AutomationObject(kit::ComPtr<IDispatch> dispatch, std::shared_ptr<IdCache> ids,
                     std::shared_ptr<KindTable> kinds)
        : dispatch_(std::move(dispatch)), ids_(std::move(ids)), kinds_(std::move(kinds)) {}
    HRESULT Resolve(const wchar_t* member, DISPID& id) const;
    HRESULT InvokeId(DISPID id, WORD flags, std::initializer_list<VARIANT> arguments,
                     VARIANT* result) const;
    // The object a call handed out, of this connection; as a collection member.
    AutomationObject Result(const VARIANT& value, const wchar_t* member) const;
    AutomationObject Member(const VARIANT& value) const;
    kit::ComPtr<IEnumVARIANT> Enumerator() const;

    kit::ComPtr<IDispatch> dispatch_;
    std::shared_ptr<IdCache> ids_;
    std::shared_ptr<KindTable> kinds_;  // of the connection
};

// The object a VARIANT holds (VT_DISPATCH or VT_UNKNOWN), with a reference of
// its own; null for anything else.
AutomationObject ObjectFromVariant(const VARIANT& value);
