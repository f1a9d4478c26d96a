#pragma once
// An automation object called by member name through IDispatch. Member names
// are resolved at run time, so the same code drives any server that answers
// them, whatever DISPIDs it uses. Every result is owned on return.
#include <windows.h>
#include <oaidl.h>

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

// How long a call that the server refuses (RPC_E_CALL_REJECTED,
// RPC_E_SERVERCALL_RETRYLATER: iTunes with a dialog open) is tried again,
// every 250 ms. 30 s unless a test shortens it. Shared by every thread.
void SetRejectedCallPatience(unsigned milliseconds);

// The most members a collection is walked to, whatever count it reports.
constexpr long kMaxCollectionCount = 200000;

class AutomationObject {
public:
    AutomationObject() = default;
    explicit AutomationObject(kit::ComPtr<IDispatch> dispatch)
        : dispatch_(std::move(dispatch)), ids_(std::make_shared<IdCache>()) {}

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
    // The collection's Count, at most kMaxCollectionCount; false when unread.
    bool GetCount(long& count) const;
    // Another interface of the same object, used through its own IDispatch.
    AutomationObject Query(const IID& iid) const;

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
    // process. Copies of the object, its other (derived, dual) interfaces and
    // the members of one collection (all of one kind, so of the same
    // DISPIDs) share what was resolved.
    struct IdCache {
        std::vector<std::pair<std::wstring, DISPID>> ids;
        std::shared_ptr<IdCache> items;  // of the members of a collection
    };
    AutomationObject(kit::ComPtr<IDispatch> dispatch, std::shared_ptr<IdCache> ids)
        : dispatch_(std::move(dispatch)), ids_(std::move(ids)) {}
    HRESULT Resolve(const wchar_t* member, DISPID& id) const;

    kit::ComPtr<IDispatch> dispatch_;
    std::shared_ptr<IdCache> ids_;
};

// The object a VARIANT holds (VT_DISPATCH or VT_UNKNOWN), with a reference of
// its own; null for anything else.
AutomationObject ObjectFromVariant(const VARIANT& value);
