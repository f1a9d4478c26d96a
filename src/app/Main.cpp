// The program's entry: one main window and its message loop, in one copy per
// program file (two would share one journal, one Artwork folder and one
// settings file).
#include <windows.h>

#include <memory>

#include "app/Kestrel.h"
#include "base/DiagnosticLog.h"
#include "base/PathHelpers.h"
#include "app_ids.h"
#include "kit/CommonControls.h"
#include "kit/MessageBox.h"
#include "kit/SingleInstance.h"
#include "kit/TrayIcon.h"
#include "kit/Window.h"
#include "web/NavigationSound.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kit::SingleInstance instance(ModulePath());
    if (!instance.first()) {
        // The first copy may still be making its window: wait a little.
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (HWND window = instance.FindFirstWindow()) {
                // Its tray click handler shows it again, wherever it was.
                kit::BringToFront(window, kit::kTrayIconMessage, 0, WM_LBUTTONDOWN);
                return 0;
            }
            ::Sleep(100);
        }
        // No window to show: it runs in another user's session.
        kit::ShowMessageBox(nullptr,
                            L"Kestrel はすでに起動しています（別のユーザーのセッションで動いている可能性があります）。\n"
                            L"同じプログラムは、このコンピューターで一つだけ動かせます。",
                            L"Kestrel", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    // Beside the program, as its settings and journal are.
    auto log = std::make_unique<DiagnosticLog>(RenameExtension(ModulePath(), L".log"));
    kit::InitializeCommonControls();
    // A run ended during a browser fetch left the click silenced.
    kit::NavigationSound::RestoreLeftSilenced();
    auto mainWindow = std::make_unique<Kestrel>();
    mainWindow->SetSingleInstance(&instance);
    if (!mainWindow->Create(nullptr, IDD_MAIN)) return 1;
    kit::RunMessageLoop(&mainWindow->waitSource());
    // The settings were saved as the window closed; the journal closes here.
    mainWindow.reset();
    log.reset();  // what is queued is written first
    // A worker may still be waiting on a hung iTunes or a slow page: the
    // process ends without running the static destructors it may still use.
    ::TerminateProcess(::GetCurrentProcess(), 0);
    return 0;
}
