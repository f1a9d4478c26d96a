#include "itunes/AutomationObject.h"

#include <algorithm>
#include <atomic>
#include <vector>

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
    if (FAILED(hr)) return hr;

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

HRESULT AutomationObject::Resolve(const wchar_t* member, DISPID& id) const {
    for (const auto& [name, known] : ids_->ids) {
        if (name == member) {
            id = known;
            return S_OK;
        }
    }
    LPOLESTR name = const_cast<LPOLESTR>(member);
    const HRESULT hr = RetryRejected(
        [&] { return dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id); });
    if (SUCCEEDED(hr)) ids_->ids.emplace_back(member, id);
    return hr;
}

AutomationObject AutomationObject::GetObject(const wchar_t* property) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(property, DISPATCH_PROPERTYGET, {}, result.Receive()))) return {};
    return ObjectFromVariant(result.Get());
}

AutomationObject AutomationObject::CallObject(const wchar_t* method,
                                              std::initializer_list<VARIANT> arguments) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(method, DISPATCH_METHOD, arguments, result.Receive()))) return {};
    return ObjectFromVariant(result.Get());
}

AutomationObject AutomationObject::Item(long index) const {
    kit::ScopedVariant result;
    if (FAILED(Invoke(L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {LongArgument(index)},
                      result.Receive()))) {
        return {};
    }
    AutomationObject item = ObjectFromVariant(result.Get());
    if (!item) return {};
    if (!ids_->items) ids_->items = std::make_shared<IdCache>();
    return AutomationObject(kit::ComPtr<IDispatch>::Share(item.Get()), ids_->items);
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
    return AutomationObject(std::move(other), ids_);
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
