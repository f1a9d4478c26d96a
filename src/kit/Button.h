#pragma once
// A push button of a dialog template; its clicks arrive at the dialog.
#include "kit/Window.h"

namespace kit {

class Button : public Window {};

}  // namespace kit
