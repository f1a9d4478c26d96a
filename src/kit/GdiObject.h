#pragma once
// Owners of GDI objects and device contexts.
#include <windows.h>

#include "base/ScopedHandle.h"

namespace kit {

using GdiObjectTraits = NullHandleTraits<HGDIOBJ, &::DeleteObject>;

using UniqueGdiObject = ScopedHandle<GdiObjectTraits>;

// Selects an object into a context and puts the previous one back.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelectObject() {
        if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace kit
