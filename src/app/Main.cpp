// The program's entry: one main window and its message loop.
#include <windows.h>

#include <memory>

#include "app/Kestrel.h"
#include "app_ids.h"
#include "kit/CommonControls.h"
#include "kit/Window.h"
#include "web/NavigationSound.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kit::InitializeCommonControls();
    // A run ended during a browser fetch left the click silenced.
    kit::NavigationSound::RestoreLeftSilenced();
    auto mainWindow = std::make_unique<Kestrel>();
    if (!mainWindow->Create(nullptr, IDD_MAIN)) return 1;
    kit::RunMessageLoop(&mainWindow->waitSource());
    return 0;
}
