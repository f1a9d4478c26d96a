#include "itunes/AutomationObject.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "base/DiagnosticLog.h"

namespace {

constexpr unsigned kRejectedRetryWait = 250;  // ms
std::atomic<unsigned> rejectedCallPatience{30000};

bool IsRejected(HRESULT hr) { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

// Runs `call` again while the server refuses it, for as long as allowed.
template <typename Call>
HRESULT RetryRejected(Call call) {
    HRESULT hr = call();
    if (!IsRejected(hr)) return hr;
    const ULONGLONG deadline = ::GetTickCount64() + rejectedCallPatience.load();
    while (IsRejected(hr) && ::GetTickCount64() < deadline) {
        ::Sleep(kRejectedRetryWait);
        hr = call();
    }
    return hr;
}

// Room for the members one enumerator call hands over, cleared on every way out.
constexpr long kEnumBatch = 256;

class VariantBatch {
public:
    VariantBatch() {
        for (VARIANT& value : values_) ::VariantInit(&value);
    }
    ~VariantBatch() { Clear(); }
    VariantBatch(const VariantBatch&) = delete;
    VariantBatch& operator=(const VariantBatch&) = delete;

    VARIANT* Values() { return values_; }
    void Clear() {
        for (VARIANT& value : values_) ::VariantClear(&value);
    }

private:
    VARIANT values_[kEnumBatch];
};

}  // namespace

void SetRejectedCallPatience(unsigned milliseconds) { rejectedCallPatience = milliseconds; }

VARIANT TextArgument(const kit::ScopedBstr& text) {
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = text.Get();
    return value;
}

VARIANT LongArgument(long value) {
    VARIANT variant;
    ::VariantInit(&variant);
    V_VT(&variant) = VT_I4;
    V_I4(&variant) = value;
    return variant;
}

VARIANT ObjectArgument(IDispatch* object) {
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_DISPATCH;
    V_DISPATCH(&value) = object;
    return value;
}

VARIANT LongReference(long& value) {
    VARIANT variant;
    ::VariantInit(&variant);
    V_VT(&variant) = VT_BYREF | VT_I4;
    V_I4REF(&variant) = &value;
    return variant;
}

AutomationObject ObjectFromVariant(const VARIANT& value) {
    if (V_VT(&value) == VT_DISPATCH) {
        return AutomationObject(kit::ComPtr<IDispatch>::Share(V_DISPATCH(&value)));
    }
    if (V_VT(&value) == VT_UNKNOWN && V_UNKNOWN(&value)) {
        kit::ComPtr<IDispatch> dispatch;
        if (SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(
                IID_IDispatch, reinterpret_cast<void**>(dispatch.Receive())))) {
            return AutomationObject(std::move(dispatch));
        }
    }
    return AutomationObject();
}

HRESULT AutomationObject::Invoke(const wchar_t* member, WORD flags,
                                 std::initializer_list<VARIANT> arguments,
                                 VARIANT* result) const {
    if (!dispatch_) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = Resolve(member, id);
    if (SUCCEEDED(hr)) hr = InvokeId(id, flags, arguments, result);
    if (FAILED(hr)) LogFailure("iTunes の呼び出し失敗", member, hr);
    return hr;
}

HRESULT AutomationObject::InvokeId(DISPID id, WORD flags, std::initializer_list<VARIANT> arguments,
                                   VARIANT* result) const {
    if (!dispatch_) return E_POINTER;
    // IDispatch takes arguments last to first.
    std::vector<VARIANT> reversed(arguments.begin(), arguments.end());
    std::vector<VARIANT>(reversed.rbegin(), reversed.rend()).swap(reversed);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    return RetryRejected([&] {
        kit::ScopedExceptionInfo exception;
        UINT badArgument = 0;
        if (result) ::VariantClear(result);
        const HRESULT called = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result,
                                                 exception.Receive(), &badArgument);
        if (called == DISP_E_EXCEPTION && FAILED(exception->scode)) return exception->scode;
        return called;
    });
}

namespace {

// What connections to one server resolved, by the path of the object's
// cache and the member name. Registrations come one at a time, but one past
// its deadline may still run on its thread.
class ResolvedNames {
public:
    bool Find(const std::wstring& key, DISPID& id) {
        std::lock_guard<std::mutex> lock(lock_);
        const auto found = ids_.find(key);
        if (found == ids_.end()) return false;
        id = found->second;
        return true;
    }
    void Add(const std::wstring& key, DISPID id) {
        std::lock_guard<std::mutex> lock(lock_);
        // Paths name a handful of object kinds; only a changed server adds more.
        if (ids_.size() > 4096) ids_.clear();
        ids_[key] = id;
    }

private:
    std::mutex lock_;
    std::map<std::wstring, DISPID> ids_;
};

ResolvedNames& Resolved() {
    static ResolvedNames names;
    return names;
}

const wchar_t kPathSeparator = L'\x1F';

std::wstring ChildPath(const std::wstring& path, const std::wstring& step) {
    return path.empty() ? std::wstring() : path + kPathSeparator + step;
}

}  // namespace

AutomationObject::AutomationObject(kit::ComPtr<IDispatch> dispatch, const std::wstring& serverIdentity)
    : AutomationObject(std::move(dispatch)) {
    ids_->path = serverIdentity;
}

HRESULT AutomationObject::Resolve(const wchar_t* member, DISPID& id) const {
    for (const auto& [name, known] : ids_->ids) {
        if (name == member) {
            id = known;
            return S_OK;
        }
    }
    const std::wstring key = ChildPath(ids_->path, member);
    if (!key.empty() && Resolved().Find(key, id)) {
        ids_->ids.emplace_back(member, id);
        return S_OK;
    }
    LPOLESTR name = const_cast<LPOLESTR>(member);
    const HRESULT hr = RetryRejected(
        [&] { return dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id); });
    if (SUCCEEDED(hr)) {
        ids_->ids.emplace_back(member, id);
        if (!key.empty()) Resolved().Add(key, id);
    }
    return hr;
}

AutomationObject AutomationObject::Result(const VARIANT& value, const wchar_t* member) const {
    AutomationObject object = ObjectFromVariant(value);
    if (!object) return {};
    // What one member hands out is always of the kind it declares.
    object.ids_->path = ChildPath(ids_->path, member);
    return AutomationObject(std::move(object.dispatch_), std::move(object.ids_), kinds_);
}

AutomationObject AutomationObject::Member(const VARIANT& value) const {
    AutomationObject item = ObjectFromVariant(value);
    if (!item) return {};
    if (!ids_->items) {
        ids_->items = std::make_shared<IdCache>();
        ids_->items->path = ChildPath(ids_->path, L"[]");
    }
    return AutomationObject(std::move(item.dispatch_), ids_->items, kinds_);
}

AutomationObject AutomationObject::OfKind(const wchar_t* kind) const {
    if (!dispatch_) return {};
    for (const auto& [name, ids] : *kinds_) {
        if (name == kind) return AutomationObject(dispatch_, ids, kinds_);
    }
    auto ids = std::make_shared<IdCache>();
    // Kinds belong to the connection: named after its server alone.
    const std::wstring& path = ids_->path;
    ids->path = ChildPath(path.substr(0, path.find(kPathSeparator)), std::wstring(L"kind:") + kind);
    kinds_->emplace_back(kind, std::move(ids));
    return AutomationObject(dispatch_, kinds_->back().second, kinds_);
}

AutomationObject AutomationObject::GetObject(const wchar_t* property) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(property, DISPATCH_PROPERTYGET, {}, result.Receive()))) return {};
    return Result(result.Get(), property);
}

AutomationObject AutomationObject::CallObject(const wchar_t* method,
                                              std::initializer_list<VARIANT> arguments) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(method, DISPATCH_METHOD, arguments, result.Receive()))) return {};
    return Result(result.Get(), method);
}

AutomationObject AutomationObject::Item(long index) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {LongArgument(index)},
                      result.Receive()))) {
        return {};
    }
    return Member(result.Get());
}

kit::ComPtr<IEnumVARIANT> AutomationObject::Enumerator() const {
    kit::ScopedVariant result;
    // The standard member that For Each calls; automation fixes its DISPID.
    if (FAILED(InvokeId(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
                        result.Receive()))) {
        return {};
    }
    const VARIANT& value = result.Get();
    IUnknown* unknown = V_VT(&value) == VT_UNKNOWN    ? V_UNKNOWN(&value)
                        : V_VT(&value) == VT_DISPATCH ? V_DISPATCH(&value)
                                                      : nullptr;
    kit::ComPtr<IEnumVARIANT> enumerator;
    if (unknown) unknown->QueryInterface(IID_IEnumVARIANT, enumerator.ReceiveVoid());
    return enumerator;
}

void AutomationObject::VisitItems(const std::function<bool(AutomationObject&)>& visit) const {
    long passed = 0;  // members fetched, or lost in the fetch
    bool complete = false;
    if (const kit::ComPtr<IEnumVARIANT> enumerator = Enumerator()) {
        VariantBatch batch;
        while (!complete) {
            const ULONG wanted =
                static_cast<ULONG>(std::min(kEnumBatch, kMaxCollectionCount - passed));
            ULONG fetched = 0;
            const HRESULT hr = RetryRejected([&] {
                batch.Clear();
                fetched = 0;
                return enumerator->Next(wanted, batch.Values(), &fetched);
            });
            if (FAILED(hr)) break;
            fetched = std::min(fetched, wanted);
            passed += static_cast<long>(fetched);
            for (ULONG i = 0; i < fetched; ++i) {
                AutomationObject item = Member(batch.Values()[i]);
                if (item && !visit(item)) return;
            }
            // Fewer than asked for (S_FALSE) is the end.
            complete = hr != S_OK || fetched == 0 || passed >= kMaxCollectionCount;
        }
    }
    if (complete) return;
    // No enumerator, or one that broke down: the rest one at a time.
    long count = 0;
    if (!GetCount(count)) return;
    for (long i = passed + 1; i <= count; ++i) {
        AutomationObject item = Item(i);
        if (item && !visit(item)) return;
    }
}

bool AutomationObject::GetCount(long& count) const {
    if (!GetLong(L"Count", count)) return false;
    count = std::max(0L, std::min(count, kMaxCollectionCount));
    return true;
}

AutomationObject AutomationObject::Query(const IID& iid) const {
    if (!dispatch_) return {};
    // The interface is dual, so the pointer that comes back is an IDispatch.
    kit::ComPtr<IDispatch> other;
    if (FAILED(dispatch_->QueryInterface(iid, reinterpret_cast<void**>(other.Receive())))) {
        return {};
    }
    return AutomationObject(std::move(other), ids_, kinds_);
}

bool AutomationObject::GetText(const wchar_t* property, std::wstring& text) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(property, DISPATCH_PROPERTYGET, {}, result.Receive()))) return false;
    const VARIANT& value = result.Get();
    if (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL) {
        text.clear();
        return true;
    }
    if (V_VT(&value) == VT_BSTR) {
        text.assign(V_BSTR(&value) ? V_BSTR(&value) : L"", ::SysStringLen(V_BSTR(&value)));
        return true;
    }
    kit::ScopedVariant converted;
    if (FAILED(::VariantChangeType(converted.Receive(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return false;
    BSTR bstr = V_BSTR(&converted.Get());
    text.assign(bstr ? bstr : L"", ::SysStringLen(bstr));
    return true;
}

bool AutomationObject::GetLong(const wchar_t* property, long& value) const { return GetLong(property, {}, value); }

bool AutomationObject::GetLong(const wchar_t* property, std::initializer_list<VARIANT> arguments,
                               long& value) const {
    kit::ScopedVariant result;
    const WORD flags = arguments.size() ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : DISPATCH_PROPERTYGET;
    if (FAILED(Invoke(property, flags, arguments, result.Receive()))) return false;
    kit::ScopedVariant converted;
    if (FAILED(::VariantChangeType(converted.Receive(), const_cast<VARIANT*>(&result.Get()), 0, VT_I4))) return false;
    value = V_I4(&converted.Get());
    return true;
}

bool AutomationObject::GetBool(const wchar_t* property, bool& value) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(property, DISPATCH_PROPERTYGET, {}, result.Receive()))) return false;
    kit::ScopedVariant converted;
    if (FAILED(::VariantChangeType(converted.Receive(), const_cast<VARIANT*>(&result.Get()), 0, VT_BOOL))) return false;
    value = V_BOOL(&converted.Get()) != VARIANT_FALSE;
    return true;
}

bool AutomationObject::PutText(const wchar_t* property, const std::wstring& text) const {
    kit::ScopedBstr value(text);
    return SUCCEEDED(Invoke(property, DISPATCH_PROPERTYPUT, {TextArgument(value)}, nullptr));
}

bool AutomationObject::PutBool(const wchar_t* property, bool flag) const {
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return SUCCEEDED(Invoke(property, DISPATCH_PROPERTYPUT, {value}, nullptr));
}

bool AutomationObject::Call(const wchar_t* method, std::initializer_list<VARIANT> arguments) const {
    kit::ScopedVariant result;
    return SUCCEEDED(Invoke(method, DISPATCH_METHOD, arguments, result.Receive()));
}
