// The list view's rows against the control, and in-place editing.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include "KitTestIds.h"
#include "KitTestSupport.h"
#include "kit/EditBox.h"
#include "kit/ListView.h"

namespace {

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kit_test::OpenTestDialog(dialog));
        list = kit::AttachItem<kit::ListView>(&dialog, IDC_TEST_LIST);
        ASSERT_TRUE(list);
        ::SendMessageW(list->handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        list->AddColumn(200, L"ファイル名");
        list->AddColumn(100, L"メモ");
    }

    // What the control itself holds in column 0, top to bottom.
    std::vector<std::wstring> ControlTexts() {
        std::vector<std::wstring> texts;
        const int count = static_cast<int>(::SendMessageW(list->handle(), LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t buffer[512] = {};
            LVITEMW item = {};
            item.pszText = buffer;
            item.cchTextMax = 512;
            ::SendMessageW(list->handle(), LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            texts.push_back(buffer);
        }
        return texts;
    }

    void EditAndPress(const boost::shared_ptr<kit::ListViewItem>& row, int column, const std::wstring& text, WPARAM key) {
        row->BeginEdit(column);
        ASSERT_TRUE(row->editBox());
        ::SetWindowTextW(row->editBox()->handle(), text.c_str());
        ::SendMessageW(row->editBox()->handle(), WM_KEYDOWN, key, 0);
    }

    kit_test::RecordingDialog dialog;
    boost::shared_ptr<kit::ListView> list;
};

TEST_F(ListViewTest, InsertDeleteAndSwapKeepRowsInStep) {
    EXPECT_EQ(list->columns().size(), 2u);
    auto b = list->AppendRow(L"b.mp3");
    auto c = list->AppendRow(L"c.mp3");
    auto a = list->InsertRow(0, L"a.mp3");
    EXPECT_EQ(a->index(), 0);
    EXPECT_EQ(b->index(), 1);
    EXPECT_EQ(c->index(), 2);
    EXPECT_EQ(ControlTexts(), (std::vector<std::wstring>{L"a.mp3", L"b.mp3", L"c.mp3"}));

    b->SetText(1, L"メモ");
    a->SwapWith(*b);
    EXPECT_EQ(a->GetText(0), L"b.mp3");
    EXPECT_EQ(a->GetText(1), L"メモ");
    EXPECT_EQ(b->GetText(0), L"a.mp3");
    EXPECT_EQ(b->GetText(1), L"");
    EXPECT_EQ(a->index(), 0);

    list->DeleteRow(0);
    EXPECT_EQ(b->index(), 0);
    EXPECT_EQ(c->index(), 1);
    EXPECT_EQ(ControlTexts(), (std::vector<std::wstring>{L"a.mp3", L"c.mp3"}));
    list->DeleteRow(5);  // missing: nothing
    EXPECT_EQ(list->RowCount(), 2);

    // the deleted row is still held here; letting it go removes no other line
    a.reset();
    EXPECT_EQ(ControlTexts(), (std::vector<std::wstring>{L"a.mp3", L"c.mp3"}));
}

TEST_F(ListViewTest, LongTextsAreReadBackWhole) {
    const std::wstring longName(700, L'曲');
    auto row = list->AppendRow(longName);
    EXPECT_EQ(row->GetText(0), longName);
    const std::wstring exact(255, L'x');
    row->SetText(1, exact);
    EXPECT_EQ(row->GetText(1), exact);
}

TEST_F(ListViewTest, SelectionAndTheDeleteKey) {
    list->SetBehaviour(kit::ListView::DeleteKey);
    for (const wchar_t* name : {L"0", L"1", L"2", L"3"}) list->AppendRow(name);
    EXPECT_EQ(list->SelectedRow(), nullptr);
    list->RowAt(1)->Select();
    list->RowAt(2)->Select();
    EXPECT_EQ(list->SelectedRow(), list->RowAt(1));
    ::SendMessageW(list->handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(ControlTexts(), (std::vector<std::wstring>{L"0", L"3"}));
    EXPECT_EQ(list->RowAt(1)->index(), 1);
    // the dialog keeps Tab and Escape; Delete is the list's
    MSG key = {};
    key.hwnd = list->handle();
    key.message = WM_KEYDOWN;
    for (WPARAM code : {VK_DELETE, VK_TAB, VK_ESCAPE}) {
        key.wParam = code;
        const LRESULT wanted = ::SendMessageW(list->handle(), WM_GETDLGCODE, code, reinterpret_cast<LPARAM>(&key));
        EXPECT_EQ((wanted & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS | DLGC_WANTTAB)) != 0, code == VK_DELETE) << code;
    }

    list->SetBehaviour(0);
    list->RowAt(0)->Select();
    ::SendMessageW(list->handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(list->RowCount(), 2);
}

TEST_F(ListViewTest, EditCommitCancelAndTheBlankRow) {
    list->SetBehaviour(kit::ListView::Editable | kit::ListView::DeleteKey);
    list->AppendRow(L"intro.mp3");
    list->EnsureBlankRow();
    ASSERT_EQ(list->RowCount(), 2);
    list->EnsureBlankRow();
    EXPECT_EQ(list->RowCount(), 2);

    auto first = list->RowAt(0);
    EditAndPress(first, 0, L"changed", VK_ESCAPE);
    EXPECT_FALSE(first->editBox());
    EXPECT_EQ(first->GetText(0), L"intro.mp3");

    EditAndPress(first, 1, L"memo", VK_RETURN);
    EXPECT_EQ(first->GetText(1), L"memo");
    EXPECT_EQ(list->RowCount(), 2);

    auto blank = list->RowAt(1);
    EditAndPress(blank, 0, L"", VK_RETURN);
    EXPECT_EQ(list->RowCount(), 2);
    EditAndPress(blank, 0, L"CM.mp3", VK_RETURN);
    EXPECT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->RowAt(2)->GetText(0), L"");

    // the blank row goes too when selected, and none comes back
    for (const auto& row : list->rows()) row->Select();
    ::SendMessageW(list->handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(list->RowCount(), 0);
}

TEST_F(ListViewTest, LosingFocusCommitsAndEnterStartsAnEdit) {
    list->SetBehaviour(kit::ListView::Editable);
    auto row = list->AppendRow(L"old");
    row->Select();
    ::SetFocus(list->handle());
    ::SendMessageW(list->handle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(row->editBox());
    EXPECT_EQ(::GetFocus(), row->editBox()->handle());
    EXPECT_EQ(row->editColumn(), 0);
    EXPECT_EQ(::SendMessageW(row->editBox()->handle(), EM_GETSEL, 0, 0), MAKELONG(0, 3));
    ::SetWindowTextW(row->editBox()->handle(), L"new");
    HWND box = row->editBox()->handle();
    ::SetFocus(::GetDlgItem(dialog.handle(), IDC_TEST_EDIT));
    EXPECT_FALSE(row->editBox());
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_EQ(row->GetText(0), L"new");
}

TEST_F(ListViewTest, StartingASecondEditCommitsTheFirst) {
    list->SetBehaviour(kit::ListView::Editable);
    auto row = list->AppendRow(L"one");
    row->BeginEdit(0);
    ASSERT_TRUE(row->editBox());
    ::SetWindowTextW(row->editBox()->handle(), L"uno");
    row->BeginEdit(1);
    EXPECT_EQ(row->GetText(0), L"uno");
    EXPECT_EQ(row->editColumn(), 1);
    list->DeleteRow(0);  // deleting the edited row drops its box
    EXPECT_FALSE(row->editBox());
}

TEST_F(ListViewTest, DoubleClickEditsTheHitCellOnly) {
    list->SetBehaviour(kit::ListView::Editable);
    auto row = list->AppendRow(L"a.mp3");
    row->SetText(1, L"note");
    RECT cell = {};
    cell.top = 1;
    cell.left = LVIR_LABEL;
    ::SendMessageW(list->handle(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    const LPARAM inside = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    ::SendMessageW(list->handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    ASSERT_TRUE(row->editBox());
    EXPECT_EQ(row->editColumn(), 1);
    EXPECT_EQ(row->editBox()->GetText(), L"note");
    ::SendMessageW(row->editBox()->handle(), WM_KEYDOWN, VK_ESCAPE, 0);

    RECT client;
    ::GetClientRect(list->handle(), &client);
    const LPARAM below = MAKELPARAM(10, client.bottom - 3);
    ::SendMessageW(list->handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, below);
    EXPECT_FALSE(row->editBox());
}

}  // namespace
