#pragma once
// The program's main window on its real template, its settings file,
// journal and artwork folder in a scratch folder: the fixture of the main window's tests
// and of the dialogs that open over it (test_app only).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/Kestrel.h"
#include "app_ids.h"
#include "kit/CommonControls.h"
#include "kit/Window.h"
#include "settings/Settings.h"
#include "support/TempFolder.h"
#include "support/UnmanagedWindows.h"

namespace testing_support {

inline const bool mainWindowUnmanaged = LeaveWindowsUnmanaged();

class MainWindowFixture : public ::testing::Test {
protected:
    // Opens the window on what the settings file holds by then.
    void Open() {
        ASSERT_TRUE(kit::InitializeCommonControls());
        window.SetSettingsPath(settingsPath);
        window.SetArtworkDirectory(folder / L"Artwork");
        window.SetJournalPath(folder / L"Kestrel.db");
        ASSERT_TRUE(window.Create(nullptr, IDD_MAIN));
        kit::PumpMessages();
    }
    void Close() {
        if (window.handle() && ::IsWindow(window.handle())) ::DestroyWindow(window.handle());
        // Takes the quit message the destroyed window posts, so that it does
        // not end the next test's message loops.
        kit::PumpMessages();
        MSG message;
        while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void TearDown() override { Close(); }

    void AddStation(const std::wstring& name) {
        Settings station;
        station.SetString(L"StationName", name);
        window.settings().Group(L"Station").SetGroup(name, station);
    }
    Settings Saved() {
        Settings saved;
        EXPECT_TRUE(saved.Load(settingsPath));
        return saved;
    }

    TempFolder folder;
    std::wstring settingsPath = folder / L"Kestrel.dat";
    Kestrel window;
};

}  // namespace testing_support
