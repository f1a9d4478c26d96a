// The toolkit's test dialog with every control filled in; it closes itself
// after the number of seconds given on the command line (default 8).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "KitTestIds.h"
#include "MessageDialogIds.h"
#include "base/Bitmap.h"
#include "kit/CheckBox.h"
#include "kit/ComboBox.h"
#include "kit/CommonControls.h"
#include "kit/Dialog.h"
#include "kit/EditBox.h"
#include "kit/Image.h"
#include "kit/ListView.h"
#include "kit/MessageDialog.h"
#include "kit/StaticText.h"
#include "kit/TrackBar.h"

namespace {

// A wide picture, so that the frame shows its letterbox bands.
boost::shared_ptr<kit::Bitmap> Gradient() {
    boost::shared_ptr<kit::Bitmap> bitmap(new kit::Bitmap());
    bitmap->Create(160, 90, 24);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x) {
            std::uint8_t* p = &bitmap->pixels[y * bitmap->stride + x * 3];
            p[0] = static_cast<std::uint8_t>(255 - x);
            p[1] = static_cast<std::uint8_t>(y * 2);
            p[2] = static_cast<std::uint8_t>(x + 60);
        }
    return bitmap;
}

class ShowcaseDialog : public kit::Dialog {
public:
    LRESULT OnInitDialog(WPARAM, LPARAM) override {
        check_ = kit::AttachItem<kit::CheckBox>(this, IDC_TEST_CHECK);
        radio_ = kit::AttachItem<kit::RadioButton>(this, IDC_TEST_RADIO);
        edit_ = kit::AttachItem<kit::EditBox>(this, IDC_TEST_EDIT);
        target_ = kit::AttachItem<kit::EditBox>(this, IDC_TEST_TARGET);
        combo_ = kit::AttachItem<kit::ComboBox>(this, IDC_TEST_COMBO);
        track_ = kit::AttachItem<kit::TrackBar>(this, IDC_TEST_TRACK);
        value_ = kit::AttachItem<kit::EditBox>(this, IDC_TEST_VALUE);
        frame_ = kit::AttachItem<kit::StaticText>(this, IDC_TEST_FRAME);
        list_ = kit::AttachItem<kit::ListView>(this, IDC_TEST_LIST);
        if (!check_ || !radio_ || !edit_ || !target_ || !combo_ || !track_ || !value_ || !frame_ || !list_)
            return TRUE;

        check_->SetCheck(BST_CHECKED);
        radio_->SetCheck(BST_CHECKED);
        edit_->SetText(L"C:\\録音\\再生中");
        edit_->SetAcceptsDrops(true);
        ::DragAcceptFiles(edit_->handle(), TRUE);
        edit_->AddBinding(target_.get(), kit::Enable, 0);
        target_->SetText(L"http://127.0.0.1/now-playing.html");
        combo_->AddString(L"FM ステーション");
        combo_->AddString(L"インターネットラジオ");
        combo_->SetSelection(0);
        track_->Subclass();
        ::SendMessageW(track_->handle(), TBM_SETRANGE, TRUE, MAKELONG(0, 60));
        ::SendMessageW(track_->handle(), TBM_SETPOS, TRUE, 20);
        track_->AddBinding(value_.get(), kit::ShowValue, 0);
        frame_->SetImage(kit::Image::Create(Gradient()));

        ::SendMessageW(list_->handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        list_->SetBehaviour(kit::ListView::Editable | kit::ListView::DeleteKey);
        list_->AddColumn(300, L"無視するファイル名");
        list_->AddColumn(150, L"メモ");
        list_->AppendRow(L"ジングル.mp3")->SetText(1, L"番組の合間");
        list_->AppendRow(L"CM.mp3");
        list_->EnsureBlankRow();
        list_->RowAt(1)->Select();
        return TRUE;
    }

    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::DestroyWindow(handle_);
            return TRUE;
        }
        return kit::Dialog::OnCommand(wParam, lParam);
    }

    LRESULT OnTimer(WPARAM, LPARAM) override {
        ::DestroyWindow(handle_);
        return TRUE;
    }

    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override {
        ::PostQuitMessage(0);
        return kit::Dialog::OnDestroy(wParam, lParam);
    }

    kit::StaticText* frame() const { return frame_.get(); }

private:
    boost::shared_ptr<kit::CheckBox> check_;
    boost::shared_ptr<kit::RadioButton> radio_;
    boost::shared_ptr<kit::EditBox> edit_, target_, value_;
    boost::shared_ptr<kit::ComboBox> combo_;
    boost::shared_ptr<kit::TrackBar> track_;
    boost::shared_ptr<kit::StaticText> frame_;
    boost::shared_ptr<kit::ListView> list_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    kit::InitializeCommonControls();
    const int seconds = commandLine && *commandLine ? std::atoi(commandLine) : 8;
    ShowcaseDialog dialog;
    if (!dialog.Create(nullptr, IDD_KIT_TEST)) return 1;
    ::SetWindowPos(dialog.handle(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(dialog.handle(), SW_SHOW);
    kit::PumpMessages();
    // the busy window the processing cycle shows, beside the dialog
    MessageDialog busy(L"iTunesへ登録中...");
    if (busy.Create(&dialog, IDD_MESSAGE))
        ::SetWindowPos(busy.handle(), nullptr, 40, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetTimer(dialog.handle(), 1, static_cast<UINT>(seconds > 0 ? seconds : 8) * 1000, nullptr);
    return kit::RunMessageLoop();
}
