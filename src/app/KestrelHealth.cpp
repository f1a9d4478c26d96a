// The selected station's extraction health on the main window: its caption
// and, after several bad songs in a row, one tray warning.
#include "app/Kestrel.h"

#include "kit/TrayIcon.h"

void Kestrel::ShowStationHealth(bool newState) {
    healthRecordsShown_ = cycle_.pageCheck().healthRecords();
    const std::wstring station = cycle_.currentStation().GetString(L"StationName");
    std::vector<journal::ExtractionHealth> recent;
    if (journal_ && !station.empty()) recent = journal_->RecentHealth(station, HealthWarning::kFailuresInARow);
    ::SetWindowTextW(handle_, MainCaption(recent).c_str());
    if (newState && healthWarning_.Due(recent)) {
        kit::ShowTrayWarning(*this, L"Kestrel",
                             L"『" + station + L"』の曲情報を" + std::to_wstring(HealthWarning::kFailuresInARow) +
                                 L"曲続けて取得できませんでした（" + HealthText(recent.front()) +
                                 L"）。ラジオ局の設定を確認して下さい。");
    }
}
