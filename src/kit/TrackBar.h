#pragma once
// A track bar; bound windows show its position.
#include "kit/Window.h"

namespace kit {

class TrackBar : public Window {
public:
    int GetPosition() const;

    // ShowValue: the target's text becomes the position in decimal.
    void ApplyBinding(Window* target, int kind, int value) override;
    // Paints, then brings the bound windows up to date (needs Subclass()).
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam) override;
};

}  // namespace kit
