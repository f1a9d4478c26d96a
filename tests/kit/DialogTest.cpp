// Modal dialogs, the transient message window and centred message boxes.
#include <gtest/gtest.h>

#include "KitTestIds.h"
#include "KitTestSupport.h"
#include "MessageDialogIds.h"
#include "kit/MessageBox.h"
#include "kit/MessageDialog.h"
#include "support/ModalScript.h"

namespace {

class ClosingDialog : public kit::ModalDialog {
public:
    explicit ClosingDialog(UINT firstAction) : firstAction_(firstAction) {}
    LRESULT OnInitDialog(WPARAM, LPARAM) override {
        if (firstAction_ == WM_CLOSE)
            ::PostMessageW(handle_, WM_CLOSE, 0, 0);
        else
            ::PostMessageW(::GetDlgItem(handle_, IDOK), BM_CLICK, 0, 0);
        return TRUE;
    }
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDOK) ::EndDialog(handle_, 1);
        if (LOWORD(wParam) == IDCANCEL) ::EndDialog(handle_, 0);
        return kit::ModalDialog::OnCommand(wParam, lParam);
    }

private:
    UINT firstAction_;
};

TEST(Dialogs, CloseBoxEndsLikeCancel) {
    kit_test::RecordingDialog owner;
    ASSERT_TRUE(kit_test::OpenTestDialog(owner));
    ClosingDialog closing(WM_CLOSE);
    EXPECT_EQ(closing.DoModal(&owner, IDD_KIT_MODAL), 0);
    EXPECT_FALSE(closing.ownsHandle());
    ClosingDialog confirming(BM_CLICK);
    EXPECT_EQ(confirming.DoModal(&owner, IDD_KIT_MODAL), 1);
}

TEST(Dialogs, MessageWindowIsCentredInsideItsOwnerAndShowsItsText) {
    kit_test::RecordingDialog owner;
    ASSERT_TRUE(kit_test::OpenTestDialog(owner, 200, 150));
    const HWND focused = ::GetFocus();
    {
        MessageDialog message(L"WEBから取得中...");
        ASSERT_TRUE(message.Create(&owner, IDD_MESSAGE));
        EXPECT_TRUE(::IsWindowVisible(message.handle()));
        EXPECT_EQ(::GetParent(message.handle()), owner.handle());
        EXPECT_EQ(::GetFocus(), focused);  // the owner keeps the keyboard
        RECT outer, own;
        ::GetClientRect(owner.handle(), &outer);
        ::MapWindowPoints(owner.handle(), nullptr, reinterpret_cast<POINT*>(&outer), 2);
        ::GetWindowRect(message.handle(), &own);
        EXPECT_EQ(own.left, outer.left + ((outer.right - outer.left) - (own.right - own.left)) / 2);
        EXPECT_EQ(own.top, outer.top + ((outer.bottom - outer.top) - (own.bottom - own.top)) / 2);
        wchar_t text[64] = {};
        ::GetDlgItemTextW(message.handle(), IDC_MESSAGE_TEXT, text, 64);
        EXPECT_STREQ(text, L"WEBから取得中...");
        EXPECT_EQ(owner.children().count(&message), 1u);
    }
    EXPECT_TRUE(owner.children().empty());
}

TEST(Dialogs, MessageBoxIsCentredOverItsOwner) {
    kit_test::RecordingDialog owner;
    ASSERT_TRUE(kit_test::OpenTestDialog(owner, 500, 400));
    // Records where the box stood and presses its button.
    RECT boxRect{};
    bool boxSeen = false;
    testing_support::ModalScript closeBox(
        [&] {
            HWND box = ::FindWindowW(L"#32770", L"確認");
            if (!box) return false;
            boxSeen = ::GetWindowRect(box, &boxRect) != FALSE;
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        },
        50);
    const int pressed = kit::ShowMessageBox(&owner, L"削除しますか？", L"確認", MB_OKCANCEL);
    EXPECT_EQ(pressed, IDOK);
    ASSERT_TRUE(boxSeen);
    RECT outer;
    ::GetWindowRect(owner.handle(), &outer);
    const int boxWidth = boxRect.right - boxRect.left, boxHeight = boxRect.bottom - boxRect.top;
    EXPECT_EQ(boxRect.left, outer.left + ((outer.right - outer.left) - boxWidth) / 2);
    EXPECT_EQ(boxRect.top, outer.top + ((outer.bottom - outer.top) - boxHeight) / 2);
}

TEST(Dialogs, CenterOverWithoutReferenceOrParentLeavesTheWindow) {
    kit_test::RecordingDialog lonely;
    ASSERT_TRUE(kit_test::OpenTestDialog(lonely, 30, 40));
    RECT before, after;
    ::GetWindowRect(lonely.handle(), &before);
    kit::CenterOver(nullptr, &lonely);
    ::GetWindowRect(lonely.handle(), &after);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
}

}  // namespace
