#include "kit/ToolTip.h"

#include <commctrl.h>

namespace kit {

boost::shared_ptr<ToolTip> ToolTip::Create(Window* parent) {
    if (!parent || !parent->handle()) return boost::shared_ptr<ToolTip>();
    HWND hwnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent->handle(), nullptr,
                                  Instance(), nullptr);
    if (!hwnd) return boost::shared_ptr<ToolTip>();
    boost::shared_ptr<ToolTip> tip(new ToolTip());
    tip->SetParentObject(parent);
    tip->Bind(hwnd);
    return tip;
}

}  // namespace kit
