#include "web/Automation.h"

#include <algorithm>
#include <vector>

namespace kit {

namespace {

HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD kind, std::initializer_list<VARIANT> arguments,
               ScopedVariant& result) {
    if (!object) return E_POINTER;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    // IDispatch takes its arguments last one first.
    std::vector<VARIANT> reversed(arguments.begin(), arguments.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                             static_cast<UINT>(reversed.size()), 0};
    // A property's new value is passed as the named argument "put".
    DISPID put = DISPID_PROPERTYPUT;
    if (kind == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &put;
        parameters.cNamedArgs = 1;
    }
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result.Receive(), nullptr,
                          nullptr);
}

}  // namespace

HRESULT GetProperty(IDispatch* object, const wchar_t* name, ScopedVariant& result) {
    return Invoke(object, name, DISPATCH_PROPERTYGET, {}, result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) {
    ScopedVariant ignored;
    return Invoke(object, name, DISPATCH_PROPERTYPUT, {value}, ignored);
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> arguments,
                   ScopedVariant& result) {
    return Invoke(object, name, DISPATCH_METHOD, arguments, result);
}

ComPtr<IDispatch> GetObjectProperty(IDispatch* object, const wchar_t* name) {
    ComPtr<IDispatch> found;
    ScopedVariant value;
    if (FAILED(GetProperty(object, name, value))) return found;
    const VARIANT& v = *value;
    IUnknown* unknown = nullptr;
    if (v.vt == VT_DISPATCH) unknown = v.pdispVal;
    else if (v.vt == VT_UNKNOWN) unknown = v.punkVal;
    if (unknown) unknown->QueryInterface(IID_IDispatch, found.ReceiveVoid());
    return found;
}

}  // namespace kit
