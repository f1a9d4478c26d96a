#pragma once
// Calling automation objects by member name through IDispatch.
#include <initializer_list>

#include "base/ComOwners.h"

namespace kit {

// Reads a property; `result` receives it.
HRESULT GetProperty(IDispatch* object, const wchar_t* name, ScopedVariant& result);
// Writes a property.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value);
// Calls a method with arguments in their natural order (first one first).
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> arguments,
                   ScopedVariant& result);
// A property that holds an object; empty when it holds none.
ComPtr<IDispatch> GetObjectProperty(IDispatch* object, const wchar_t* name);

}  // namespace kit
