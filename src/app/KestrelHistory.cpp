// The main window's side of the filing journal: the history window opened
// from the system menu and the tray menu, and the warning when a song is
// given up.
#include "app/Kestrel.h"

#include "app/HistoryDialog.h"
#include "app_ids.h"
#include "kit/SingleInstance.h"
#include "kit/TrayIcon.h"

void Kestrel::AddHistoryToSystemMenu() {
    HMENU system = ::GetSystemMenu(handle_, FALSE);
    if (!system) return;
    // Above "閉じる", with a line between.
    ::InsertMenuW(system, SC_CLOSE, MF_BYCOMMAND | MF_STRING, IDM_SYSTEM_HISTORY, L"履歴(&H)");
    ::InsertMenuW(system, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

void Kestrel::ShowHistory() {
    if (!journal_) return;
    if (!history_ || !history_->handle()) {
        history_.reset(new HistoryDialog(
            *journal_, [this](journal::SongId id) { return RetrySong(id); },
            [this](journal::SongId id) { return cycle_.FinishWithoutLibrary(id); }));
        if (!history_->Create(this, HistoryDialog::kTemplateId)) {
            history_.reset();
            return;
        }
    }
    history_->Refresh();
    ::ShowWindow(history_->handle(), SW_SHOW);
    ::SetForegroundWindow(history_->handle());
}

void Kestrel::RefreshHistory() {
    if (history_ && history_->handle() && ::IsWindowVisible(history_->handle())) history_->Refresh();
}

void Kestrel::WarnGivenUp(const journal::SongRecord& song) {
    // Only with a tray icon; otherwise the history's row is enough.
    const std::wstring name = song.info.title.empty() ? song.sourceName : song.info.title;
    kit::ShowTrayWarning(*this, L"Kestrel: 曲を登録できませんでした",
                         L"「" + name + L"」（" + song.station + L"）: " + song.lastError);
}

void Kestrel::PublishInstance(bool present) {
    if (!instance_) return;
    if (present)
        instance_->Publish(handle_);
    else
        instance_->Withdraw(handle_);
}

bool Kestrel::RetrySong(journal::SongId id) { return cycle_.RetryNow(id); }
