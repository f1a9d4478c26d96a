// The stations' health and songs on the main window: the caption for the
// selected station, a mark per station in the station list, the tray
// icon's tooltip, and one tray warning per run of failures of each station.
#include "app/Kestrel.h"

#include "kit/ComboBox.h"
#include "kit/TrayIcon.h"

void Kestrel::ShowStationHealth() {
    if (cycle_.follower()) healthRecordsShown_ = cycle_.follower()->pageCheck().healthRecords();
    const std::wstring station = shownStation_.GetString(L"StationName");
    std::vector<journal::ExtractionHealth> recent;
    if (journal_ && !station.empty()) recent = journal_->RecentHealth(station, HealthWarning::kFailuresInARow);
    std::wstring caption = MainCaption(recent);
    // Songs are still filed then, but the history will not remember them.
    if (!journalTrouble_.empty())
        caption += L" - 履歴に書き込めません";
    else if (journal_ && journal_->inMemory())
        caption += L" - 履歴はこの回のみ（ファイルを開けません）";
    ::SetWindowTextW(handle_, caption.c_str());
}

void Kestrel::LookAtStations() {
    std::vector<StationOverview::Warning> warnings;
    if (overview_.Look(cycle_, journal_.get(), warnings) && stations_) stations_->RedrawItems();
    for (const StationOverview::Warning& warning : warnings) {
        kit::ShowTrayWarning(*this, L"Kestrel",
                             L"『" + warning.station + L"』の曲情報を" +
                                 std::to_wstring(HealthWarning::kFailuresInARow) + L"曲続けて取得できませんでした（" +
                                 HealthText(warning.health) + L"）。ラジオ局の設定を確認して下さい。");
    }
    if (!iconInTray_) return;
    // Compared as text: a few short strings a second cost nothing.
    std::wstring tip = TrayTip();
    if (tip != trayTip_ && kit::SetTrayTip(*this, tip)) trayTip_ = std::move(tip);
}

std::wstring Kestrel::TrayTip() { return TrayTipText(GetText(), StationOverview::Songs(cycle_), kit::kTrayTipLength); }

void Kestrel::JournalTrouble(const std::wstring& reason) {
    const bool first = journalTrouble_.empty();
    journalTrouble_ = reason;
    if (!first) return;
    ShowStationHealth();
    kit::ShowTrayWarning(*this, L"Kestrel", L"履歴に書き込めません: " + reason);
}
