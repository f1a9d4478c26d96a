// The station dialog's "ページの状態": how late the station's page caught up
// with recent songs, the wait time that suggests, and the recent health
// states, all from the journal.
#include "app/StationDialog.h"

#include <commctrl.h>

#include "app/Kestrel.h"
#include "app_ids.h"
#include "kit/EditBox.h"
#include "kit/TrackBar.h"
#include "processing/StationHealth.h"
#include "processing/WaitCalibration.h"

namespace {

constexpr int kHealthShown = 10;

}  // namespace

void StationDialog::ShowPageState() {
    journal::Journal* journal = mainWindow_.journal();
    const std::wstring station = isNew_ ? std::wstring() : mainWindow_.currentStation().GetString(L"StationName");
    std::wstring delays = L"ページ更新: 記録がありません";
    std::wstring states = L"記録がありません";
    WaitCalibration calibration;
    suggestedWaitTime_ = -1;
    if (journal && !station.empty()) {
        if (CalibrateWaitTime(journal->RecentPageDelays(station, WaitCalibration::kSongs), kMaxWaitTime,
                              calibration)) {
            delays = L"ページ更新: 曲の開始から平均 " + std::to_wstring(calibration.average) + L" 秒（最近 " +
                     std::to_wstring(WaitCalibration::kSongs) + L" 曲）";
            suggestedWaitTime_ = calibration.suggested;
        }
        const std::vector<journal::ExtractionHealth> recent = journal->RecentHealth(station, kHealthShown);
        if (!recent.empty()) states.clear();
        for (journal::ExtractionHealth health : recent) {
            if (!states.empty()) states += L"、";
            states += HealthText(health);
        }
    }
    ::SetDlgItemTextW(handle_, IDC_STATION_CALIBRATION, delays.c_str());
    ::SetDlgItemTextW(handle_, IDC_STATION_HEALTH, states.c_str());
    ::EnableWindow(::GetDlgItem(handle_, IDC_STATION_CALIBRATE), suggestedWaitTime_ >= 0);
}

void StationDialog::ApplyCalibration() {
    if (suggestedWaitTime_ < 0 || !waitTime_) return;
    ::SendMessageW(waitTime_->handle(), TBM_SETPOS, TRUE, suggestedWaitTime_);
    if (boxes_[WaitBox]) boxes_[WaitBox]->SetText(std::to_wstring(waitTime_->GetPosition()));
}
