#include "kit/CommonControls.h"

#include <windows.h>
#include <commctrl.h>

namespace kit {

bool InitializeCommonControls() {
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
    return ::InitCommonControlsEx(&classes) != FALSE;
}

}  // namespace kit
