// Binding, dispatch, reflection, destruction and the message pump.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KitTestIds.h"
#include "KitTestSupport.h"
#include "kit/CheckBox.h"
#include "kit/EditBox.h"
#include "base/FolderWatch.h"
#include "kit/SingleInstance.h"
#include "support/TempFolder.h"

namespace {

using kit_test::RecordingDialog;

class RecordingEdit : public kit::EditBox {
public:
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override {
        codes.push_back(HIWORD(wParam));
        return kit::EditBox::OnCommand(wParam, lParam);
    }
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override {
        ++destroys;
        return kit::EditBox::OnDestroy(wParam, lParam);
    }
    std::vector<WORD> codes;
    int destroys = 0;
};

class RecordingCheck : public kit::CheckBox {
public:
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override {
        ++commands;
        return kit::CheckBox::OnCommand(wParam, lParam);
    }
    int commands = 0;
};

TEST(WindowDispatch, MessageBeforeBindingGoesToDefWindowProc) {
    HWND plain = ::CreateWindowExW(0, L"STATIC", L"abcd", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   kit::Instance(), nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(kit::Window::WindowProc(plain, WM_GETTEXTLENGTH, 0, 0), 4);
    EXPECT_EQ(kit::Window::FromHandle(plain), nullptr);
    ::DestroyWindow(plain);
}

TEST(WindowDispatch, ReflectsToSubclassedChildrenOnly) {
    RecordingDialog dialog;
    ASSERT_TRUE(kit_test::OpenTestDialog(dialog));
    EXPECT_EQ(kit::Window::FromHandle(dialog.handle()), &dialog);

    auto edit = kit::AttachItem<RecordingEdit>(&dialog, IDC_TEST_EDIT);
    auto check = kit::AttachItem<RecordingCheck>(&dialog, IDC_TEST_CHECK);
    ASSERT_TRUE(edit && check);
    EXPECT_TRUE(edit->subclassed());
    EXPECT_FALSE(check->subclassed());
    EXPECT_TRUE(edit->attached());
    EXPECT_EQ(edit->parent(), &dialog);
    EXPECT_EQ(dialog.children().count(edit.get()), 1u);

    ::SendMessageW(edit->handle(), WM_CHAR, L'x', 0);
    EXPECT_TRUE(dialog.Saw(IDC_TEST_EDIT, EN_UPDATE));
    EXPECT_NE(std::find(edit->codes.begin(), edit->codes.end(), EN_UPDATE), edit->codes.end());

    ::SendMessageW(check->handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(dialog.Saw(IDC_TEST_CHECK, BN_CLICKED));
    EXPECT_EQ(check->commands, 0);
    EXPECT_TRUE(check->IsChecked());

    EXPECT_EQ(kit::AttachItem<kit::CheckBox>(&dialog, 9999), nullptr);
}

TEST(WindowDispatch, WindowDestroyedFirstIsNotDestroyedAgain) {
    auto dialog = std::make_unique<RecordingDialog>();
    ASSERT_TRUE(kit_test::OpenTestDialog(*dialog));
    auto edit = kit::AttachItem<RecordingEdit>(dialog.get(), IDC_TEST_EDIT);
    auto check = kit::AttachItem<kit::CheckBox>(dialog.get(), IDC_TEST_CHECK);
    HWND handle = dialog->handle();

    ::DestroyWindow(handle);
    EXPECT_EQ(dialog->destroys, 1);
    EXPECT_EQ(edit->destroys, 1);
    EXPECT_FALSE(dialog->ownsHandle());
    EXPECT_FALSE(edit->ownsHandle());
    EXPECT_TRUE(dialog->children().empty());
    EXPECT_EQ(edit->parent(), nullptr);

    // A window made now may take a freed handle value; releasing the stale
    // objects must leave it alone.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   kit::Instance(), nullptr);
    check.reset();
    edit.reset();
    dialog.reset();
    EXPECT_TRUE(::IsWindow(other));
    ::DestroyWindow(other);
}

TEST(WindowDispatch, ReleasingTheObjectDestroysItsWindowOnce) {
    auto dialog = std::make_unique<RecordingDialog>();
    ASSERT_TRUE(kit_test::OpenTestDialog(*dialog));
    HWND handle = dialog->handle();
    dialog.reset();
    EXPECT_FALSE(::IsWindow(handle));
}

TEST(WindowDispatch, PumpDeliversQueuedMessagesAndReturnsWhenEmpty) {
    RecordingDialog dialog;
    ASSERT_TRUE(kit_test::OpenTestDialog(dialog));
    kit::PumpMessages();  // empty queue: returns at once
    ::PostMessageW(dialog.handle(), WM_USER, 0, 0);
    ::PostMessageW(dialog.handle(), WM_USER, 0, 0);
    kit::PumpMessages();
    EXPECT_EQ(dialog.userMessages, 2);
}

TEST(WindowDispatch, QuitRequestSurvivesThePump) {
    ::PostQuitMessage(7);
    kit::PumpMessages();
    EXPECT_EQ(kit::RunMessageLoop(), 7);
}

TEST(WindowDispatch, WrapBorrowsForeignWindows) {
    EXPECT_EQ(kit::Window::Wrap(nullptr), nullptr);
    HWND plain = ::CreateWindowExW(0, L"STATIC", L"z", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   kit::Instance(), nullptr);
    {
        auto wrapped = kit::Window::Wrap(plain);
        ASSERT_TRUE(wrapped);
        EXPECT_EQ(wrapped->GetText(), L"z");
    }
    EXPECT_TRUE(::IsWindow(plain));
    ::DestroyWindow(plain);
}

}  // namespace

namespace {

TEST(WindowDispatch, TopmostFollowsTheFlag) {
    kit_test::RecordingDialog dialog;
    ASSERT_TRUE(kit_test::OpenTestDialog(dialog));
    dialog.SetTopmost(true);
    EXPECT_TRUE(::GetWindowLongPtrW(dialog.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    dialog.SetTopmost(false);
    EXPECT_FALSE(::GetWindowLongPtrW(dialog.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(dialog.topmost());

}

TEST(WindowDispatch, ManifestAsksForCommonControls6AndDpiAwareness) {
    HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const char* text = static_cast<const char*>(::LockResource(::LoadResource(nullptr, found)));
    const std::string manifest(text, ::SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

TEST(WindowDispatch, MainLoopHandsKeysToModelessDialogs) {
    kit_test::RecordingDialog dialog;
    ASSERT_TRUE(kit_test::OpenTestDialog(dialog));
    HWND check = ::GetDlgItem(dialog.handle(), IDC_TEST_CHECK);
    ::SetFocus(check);
    // only the dialog manager moves the focus on Tab
    ::PostMessageW(check, WM_KEYDOWN, VK_TAB, 0);
    ::PostQuitMessage(0);
    EXPECT_EQ(kit::RunMessageLoop(), 0);
    EXPECT_NE(::GetFocus(), check);
    EXPECT_TRUE(::IsChild(dialog.handle(), ::GetFocus()));
}

}  // namespace

TEST(SingleInstance, OneCopyPerProgramFileFoundByItsMarkedWindow) {
    kit::SingleInstance first(L"C:\\Programs\\Kestrel\\Kestrel.exe");
    EXPECT_TRUE(first.first());
    // The same file, however its letters are cased: a second copy.
    kit::SingleInstance second(L"c:\\programs\\kestrel\\KESTREL.EXE");
    EXPECT_FALSE(second.first());
    kit::SingleInstance elsewhere(L"D:\\Kestrel\\Kestrel.exe");
    EXPECT_TRUE(elsewhere.first());

    EXPECT_EQ(second.FindFirstWindow(), nullptr);
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    first.Publish(window);
    EXPECT_EQ(second.FindFirstWindow(), window);
    EXPECT_EQ(elsewhere.FindFirstWindow(), nullptr);
    first.Withdraw(window);
    EXPECT_EQ(second.FindFirstWindow(), nullptr);
    ::DestroyWindow(window);
}

TEST(SingleInstance, OneCopyPerProgramFileHoweverItsPathIsSpelt) {
    testing_support::TempFolder folder;
    const std::wstring program = folder.AddFile(L"Kestrel Program.exe", {1});
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameW(program.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(shortName), program);
    ASSERT_TRUE(::CreateHardLinkW((folder / L"Linked.exe").c_str(), program.c_str(), nullptr));

    kit::SingleInstance first(program);
    EXPECT_TRUE(first.first());
    kit::SingleInstance byShortName(shortName);
    EXPECT_FALSE(byShortName.first());
    kit::SingleInstance byLink(folder / L"Linked.exe");
    EXPECT_FALSE(byLink.first());
    kit::SingleInstance other(folder.AddFile(L"Other Program.exe", {1}));
    EXPECT_TRUE(other.first());
}

// Twenty stations' play and end folders fit in the main loop's wait (63
// handles): only play folders watch writes. A folder that turns up later is
// watched within a few refreshes, however many folders there are.
TEST(FolderWatch, TwentyStationsFitTheWaitAndAFolderThatTurnsUpIsWatched) {
    testing_support::TempFolder root;
    std::vector<WatchedFolder> folders;
    for (int i = 0; i < 20; ++i) {
        folders.push_back({root.AddFolder(L"play" + std::to_wstring(i)), true});
        folders.push_back({root / (L"end" + std::to_wstring(i)), false});
        if (i < 19) ::CreateDirectoryW(folders.back().path.c_str(), nullptr);
    }
    FolderWatch watch;
    ASSERT_TRUE(watch.Watch(folders));
    EXPECT_FALSE(watch.AllWatched());
    EXPECT_EQ(watch.Handles().size(), 59u);
    EXPECT_FALSE(watch.Watch(folders));

    ASSERT_TRUE(::CreateDirectoryW(folders.back().path.c_str(), nullptr));
    bool gained = false;
    for (size_t call = 0; call * FolderWatch::kRefreshedPerCall < folders.size() && !gained; ++call)
        gained = watch.Refresh();
    EXPECT_TRUE(gained);
    EXPECT_TRUE(watch.AllWatched());
    EXPECT_EQ(watch.Handles().size(), 60u);
}
