// The selected station's extraction health and the journal's trouble on the
// main window: its caption and, when due, one tray warning.
#include "app/Kestrel.h"

#include "kit/TrayIcon.h"

void Kestrel::ShowStationHealth(bool newState) {
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
    if (newState && healthWarning_.Due(recent)) {
        kit::ShowTrayWarning(*this, L"Kestrel",
                             L"『" + station + L"』の曲情報を" + std::to_wstring(HealthWarning::kFailuresInARow) +
                                 L"曲続けて取得できませんでした（" + HealthText(recent.front()) +
                                 L"）。ラジオ局の設定を確認して下さい。");
    }
}

void Kestrel::JournalTrouble(const std::wstring& reason) {
    const bool first = journalTrouble_.empty();
    journalTrouble_ = reason;
    if (!first) return;
    ShowStationHealth(false);
    kit::ShowTrayWarning(*this, L"Kestrel", L"履歴に書き込めません: " + reason);
}
