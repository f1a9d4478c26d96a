#pragma once
// Owners of GDI objects and device contexts.
#include <windows.h>

#include "base/ScopedHandle.h"

namespace kit {

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

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
