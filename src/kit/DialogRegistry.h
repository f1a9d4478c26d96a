#pragma once
// The modeless dialogs alive in the process, so that the main loop can hand
// them their keyboard messages.
#include <vector>

namespace kit {

class Dialog;

class DialogRegistry {
public:
    static void Add(Dialog* dialog);
    static void Remove(Dialog* dialog);
    // In order of creation; the pointers are not owned.
    static const std::vector<Dialog*>& Dialogs();
};

}  // namespace kit
