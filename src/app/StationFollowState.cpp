// The station dialog's word on following: why the station as edited would
// not be followed, or which station sharing its folders it would take over
// from. Confirmed, the station is the one selected in the main window's
// list, so among stations sharing its folders it is the one followed.
#include "app/StationDialog.h"

#include "app/MainWindowHost.h"
#include "app_ids.h"
#include "kit/CheckBox.h"
#include "kit/EditBox.h"
#include "processing/FollowPlan.h"
#include "settings/Station.h"

void StationDialog::ShowFollowing() {
    const auto text = [this](int box) { return boxes_[box] ? boxes_[box]->GetText() : std::wstring(); };
    Station edited;
    edited.name = text(NameBox);
    edited.playFolder = text(PlayBox);
    edited.endFolder = text(EndBox);
    edited.follow = follow_ && follow_->IsChecked();

    // The stations as they would be: the edited one in its place, a new one last.
    const std::wstring original = isNew_ ? std::wstring() : mainWindow_.currentStation().GetString(L"StationName");
    std::vector<Station> stations;
    size_t own = 0;
    bool placed = false;
    if (const Settings* groups = mainWindow_.settings().FindGroup(L"Station")) {
        for (const auto& [key, group] : groups->groups) {
            Station station = ReadStation(group);
            if (!placed && !isNew_ && station.name == original) {
                own = stations.size();
                placed = true;
                station = edited;
            }
            stations.push_back(std::move(station));
        }
    }
    if (!placed) {
        own = stations.size();
        stations.push_back(edited);
    }
    const std::vector<StationFollowing> plan =
        PlanFollowing(stations, {mainWindow_.selectedStationName(), edited.name}, mainWindow_.followedStations());

    std::wstring reason = FollowReasonText(plan[own]);
    if (reason.empty()) {
        std::wstring others;
        for (size_t i = 0; i < plan.size(); ++i) {
            if (i == own || plan[i].reason != FollowReason::SharesFolders || plan[i].followedInstead != edited.name)
                continue;
            others += (others.empty() ? L"『" : L"、『") + plan[i].name + L"』";
        }
        if (!others.empty())
            reason = others + L"とフォルダが同じため、コンボボックスで最後に選んだこの局だけを登録します。";
    }
    ::SetDlgItemTextW(handle_, IDC_STATION_FOLLOW_REASON, reason.c_str());
}
