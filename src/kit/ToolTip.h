#pragma once
// A tooltip window owned by another window.
#include <boost/shared_ptr.hpp>

#include "kit/Window.h"

namespace kit {

class ToolTip : public Window {
public:
    // Empty when the window cannot be made.
    static boost::shared_ptr<ToolTip> Create(Window* parent);
};

}  // namespace kit
