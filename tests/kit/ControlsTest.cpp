// Controls driven the way a user's actions drive them.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include "KitTestIds.h"
#include "KitTestSupport.h"
#include "MenuIds.h"
#include "app/ControlState.h"
#include "kit/Button.h"
#include "kit/CheckBox.h"
#include "kit/ComboBox.h"
#include "kit/EditBox.h"
#include "kit/ToolBar.h"
#include "kit/TrackBar.h"
#include "settings/Settings.h"
#include "support/TempFolder.h"

namespace {

using kit_test::RecordingDialog;

class Controls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kit_test::OpenTestDialog(dialog)); }
    RecordingDialog dialog;
};

TEST_F(Controls, EnableBindingFollowsTheText) {
    auto edit = kit::AttachItem<kit::EditBox>(&dialog, IDC_TEST_EDIT);
    auto button = kit::AttachItem<kit::Button>(&dialog, IDC_TEST_BUTTON);
    auto target = kit::AttachItem<kit::EditBox>(&dialog, IDC_TEST_TARGET);
    ASSERT_TRUE(edit && button && target);

    edit->AddBinding(button.get(), kit::Enable, 0);
    edit->AddBinding(target.get(), kit::Enable, 0);
    EXPECT_FALSE(::IsWindowEnabled(button->handle()));  // applied at once: empty text
    EXPECT_FALSE(::IsWindowEnabled(target->handle()));

    ::SendMessageW(edit->handle(), WM_CHAR, L'k', 1);
    EXPECT_TRUE(::IsWindowEnabled(button->handle()));
    EXPECT_TRUE(::IsWindowEnabled(target->handle()));

    ::SendMessageW(edit->handle(), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(edit->GetText(), L"");
    EXPECT_FALSE(::IsWindowEnabled(button->handle()));

    edit->SetText(L"C:\\Music");
    EXPECT_TRUE(::IsWindowEnabled(button->handle()));
    EXPECT_EQ(edit->selection(), static_cast<DWORD>(MAKELONG(8, 8)));
}

TEST_F(Controls, ShowValueFollowsTheTrackBar) {
    auto track = kit::AttachItem<kit::TrackBar>(&dialog, IDC_TEST_TRACK);
    auto value = kit::AttachItem<kit::EditBox>(&dialog, IDC_TEST_VALUE);
    ASSERT_TRUE(track && value);
    track->Subclass();
    ::SendMessageW(track->handle(), TBM_SETRANGE, TRUE, MAKELONG(0, 60));
    ::SendMessageW(track->handle(), TBM_SETPOS, TRUE, 15);
    track->AddBinding(value.get(), kit::ShowValue, 0);
    EXPECT_EQ(value->GetText(), L"15");

    ::SendMessageW(track->handle(), TBM_SETPOS, TRUE, 42);
    ::UpdateWindow(track->handle());
    EXPECT_EQ(track->GetPosition(), 42);
    EXPECT_EQ(value->GetText(), L"42");
}

TEST_F(Controls, DropsInFileAndFolderMode) {
    testing_support::TempFolder temp;
    const std::wstring folder = temp.AddFolder(L"録音");
    const std::wstring file = temp.AddFile(L"song.mp3");
    auto edit = kit::AttachItem<kit::EditBox>(&dialog, IDC_TEST_EDIT);
    ASSERT_TRUE(edit);

    // not accepting: the drop stays the caller's
    HGLOBAL refused = kit_test::MakeDrop({file});
    ::SendMessageW(edit->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(refused), 0);
    EXPECT_EQ(edit->GetText(), L"");
    ::GlobalFree(refused);

    edit->SetAcceptsDrops(true);
    ::SendMessageW(edit->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(kit_test::MakeDrop({folder, file})), 0);
    EXPECT_EQ(edit->GetText(), file);  // the folder is skipped

    edit->SetFolderMode(true);
    ::SendMessageW(edit->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(kit_test::MakeDrop({file})), 0);
    EXPECT_EQ(edit->GetText(), temp.path());

    edit->SetText(L"");
    ::SendMessageW(edit->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(kit_test::MakeDrop({folder, file})), 0);
    EXPECT_EQ(edit->GetText(), folder);
}

TEST_F(Controls, ControlASelectsAllAndFocusKeepsTheCaret) {
    auto edit = kit::AttachItem<kit::EditBox>(&dialog, IDC_TEST_EDIT);
    auto other = kit::AttachItem<kit::EditBox>(&dialog, IDC_TEST_TARGET);
    ASSERT_TRUE(edit && other);
    edit->SetText(L"タイトル");
    ::SendMessageW(edit->handle(), EM_SETSEL, 1, 1);

    kit_test::SetControlKey(false);
    EXPECT_EQ(::SendMessageW(edit->handle(), WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(::SendMessageW(edit->handle(), EM_GETSEL, 0, 0), MAKELONG(1, 1));

    kit_test::SetControlKey(true);
    ::SendMessageW(edit->handle(), WM_KEYDOWN, 'A', 0);
    kit_test::SetControlKey(false);
    EXPECT_EQ(::SendMessageW(edit->handle(), EM_GETSEL, 0, 0), MAKELONG(0, 4));

    ::SetFocus(edit->handle());
    EXPECT_TRUE(edit->hasFocus());
    ::SendMessageW(edit->handle(), EM_SETSEL, 2, 3);
    ::SetFocus(other->handle());
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(edit->selection(), static_cast<DWORD>(MAKELONG(2, 3)));
}

TEST_F(Controls, CheckAndIndexAreKeptInASettingsGroup) {
    auto check = kit::AttachItem<kit::CheckBox>(&dialog, IDC_TEST_CHECK);
    auto combo = kit::AttachItem<kit::ComboBox>(&dialog, IDC_TEST_COMBO);
    ASSERT_TRUE(check && combo);
    EXPECT_TRUE(combo->subclassed());
    combo->AddString(L"FM 東京");
    combo->AddString(L"J-WAVE");
    combo->AddString(L"");
    EXPECT_EQ(combo->GetCount(), 3);
    EXPECT_EQ(combo->GetItemText(0), L"FM 東京");
    EXPECT_EQ(combo->GetItemText(2), L"");
    EXPECT_EQ(combo->GetItemText(7), L"");

    check->SetCheck(BST_CHECKED);
    combo->SetSelection(1);
    Settings cooperation, station;
    kit::SaveCheck(*check, cooperation);
    kit::SaveIndex(*combo, station);
    EXPECT_EQ(cooperation.GetInt(L"Check"), BST_CHECKED);

    check->SetCheck(BST_UNCHECKED);
    combo->SetSelection(-1);
    kit::RestoreCheck(*check, cooperation);
    kit::RestoreIndex(*combo, station);
    EXPECT_TRUE(check->IsChecked());
    EXPECT_EQ(combo->GetSelection(), 1);

    Settings empty, odd;
    odd.SetBool(L"Check", true);  // one byte: not an integer
    kit::RestoreCheck(*check, empty);
    EXPECT_FALSE(check->IsChecked());
    check->SetCheck(BST_CHECKED);
    kit::RestoreCheck(*check, odd);
    EXPECT_FALSE(check->IsChecked());
}

TEST_F(Controls, ToolBarButtonsGetTheirTooltips) {
    auto toolBar = kit::ToolBar::Create(&dialog, 4, 16, 16, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | WS_VISIBLE,
                                        boost::shared_ptr<kit::Image>());
    ASSERT_TRUE(toolBar);
    ASSERT_TRUE(toolBar->toolTip());
    auto insert = toolBar->AddButton(0, ID_IGNORE_INSERT);
    auto remove = toolBar->AddButton(1, ID_IGNORE_DELETE);
    EXPECT_EQ(remove->index(), 1);
    EXPECT_EQ(::SendMessageW(toolBar->handle(), TB_BUTTONCOUNT, 0, 0), 2);
    toolBar->AddTooltip(*insert, L"挿入");
    toolBar->AddTooltip(*remove, L"削除");
    EXPECT_EQ(::SendMessageW(toolBar->toolTip()->handle(), TTM_GETTOOLCOUNT, 0, 0), 2);
    EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageW(toolBar->handle(), TB_GETTOOLTIPS, 0, 0)),
              toolBar->toolTip()->handle());
}

}  // namespace
