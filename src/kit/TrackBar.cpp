#include "kit/TrackBar.h"

#include <commctrl.h>

#include <string>

namespace kit {

int TrackBar::GetPosition() const { return static_cast<int>(::SendMessageW(handle_, TBM_GETPOS, 0, 0)); }

void TrackBar::ApplyBinding(Window* target, int kind, int) {
    if (kind != ShowValue || !target) return;
    target->SetText(std::to_wstring(GetPosition()));
}

LRESULT TrackBar::OnPaint(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefaultProc(WM_PAINT, wParam, lParam);
    ApplyBindings();
    return result;
}

}  // namespace kit
