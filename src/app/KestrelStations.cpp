// The main window's station list: filling it, its owner-drawn marks, the
// station it selects, and the commands on that station.
#include "app/Kestrel.h"

#include "app_ids.h"
#include "app/StationDialog.h"
#include "app/StationMarks.h"
#include "kit/ComboBox.h"
#include "kit/MessageBox.h"
#include "settings/SettingsCatalogue.h"
#include "settings/Station.h"

LRESULT Kestrel::OnDrawItem(WPARAM wParam, LPARAM lParam) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (wParam != IDC_MAIN_STATIONS || !item || !stations_) return kit::Dialog::OnDrawItem(wParam, lParam);
    const std::wstring name = item->itemID == static_cast<UINT>(-1) ? std::wstring() : stations_->GetItemText(static_cast<int>(item->itemID));
    DrawStationEntry(*item, name, overview_.MarkOf(name));
    return TRUE;
}

void Kestrel::FillStationList() {
    if (!stations_) return;
    stations_->ResetContent();
    for (const auto& [name, station] : settings_.Group(L"Station").groups) stations_->AddString(station.GetString(L"StationName"));
}

Settings Kestrel::SelectedStation() {
    const std::wstring name = stations_ ? stations_->GetText() : std::wstring();
    return name.empty() ? Settings() : settings_.Group(L"Station").Group(name);
}

void Kestrel::SelectStationChanged() { ShowStation(SelectedStation()); }

void Kestrel::ShowStation(const Settings& station) {
    shownStation_ = station;
    cycle_.SelectStation(ReadStation(shownStation_));
    cycleWatch_.RequestScan();
    ShowStationHealth();
    UpdateStationCommands();
    LookAtStations();
}

std::wstring Kestrel::selectedStationName() const {
    return stations_ && stations_->GetSelection() != CB_ERR ? stations_->GetText() : std::wstring();
}

std::vector<std::wstring> Kestrel::followedStations() const {
    std::vector<std::wstring> names;
    for (const StationFollowing& station : cycle_.following())
        if (station.reason == FollowReason::Followed) names.push_back(station.name);
    return names;
}

void Kestrel::UpdateStationCommands() {
    // 編集 and 削除 need a station to act on
    const bool selected = stations_ && stations_->GetSelection() != CB_ERR;
    for (int id : {IDC_MAIN_EDIT, IDC_MAIN_DELETE}) ::EnableWindow(::GetDlgItem(handle_, id), selected);
}

void Kestrel::DeleteSelectedStation() {
    if (!stations_ || stations_->GetSelection() == CB_ERR) return;  // nothing to ask about
    const std::wstring name = stations_->GetText();
    if (kit::ShowMessageBox(this, L"ラジオ局『" + name + L"』を削除しますか？", L"確認", MB_YESNO) == IDYES) {
        settings_.Group(L"Station").RemoveGroup(name);
        const int index = stations_->GetSelection();
        stations_->DeleteString(index);
        const int count = stations_->GetCount();
        stations_->SetSelection(count > 0 ? std::min(index, count - 1) : -1);
        // Another station is now shown; of stations sharing its folders it
        // is the one followed, from its next song.
        ApplySettings();
        SelectStationChanged();
        SaveSettings();
    }
}

void Kestrel::RunStationDialog(bool isNew) {
    // The road goes on while the dialog is open; what it edits is a copy.
    Settings newStation;
    if (isNew) StartNewStation(settings_, newStation);
    newStation_ = isNew ? &newStation : nullptr;
    StationDialog dialog(*this, isNew);
    const bool confirmed = dialog.DoModal(this, IDD_STATION) == 1;
    newStation_ = nullptr;
    if (!confirmed) return;
    const Settings& edited = dialog.result();
    const std::wstring name = edited.GetString(L"StationName");
    Settings& stations = settings_.Group(L"Station");
    if (!isNew) stations.RemoveGroup(shownStation_.GetString(L"StationName"));
    stations.SetGroup(name, edited);
    shownStation_ = stations.Group(name);
    RememberStationValues(edited, settings_);
    ApplySettings();
    // An added station starts afresh; an edited one keeps its song in
    // progress unless its play or end folder changed.
    if (isNew)
        cycle_.SelectStation(ReadStation(shownStation_));
    else
        cycle_.UpdateStation(ReadStation(shownStation_));
    cycleWatch_.RequestScan();
    FillStationList();
    if (stations_) {
        const int found = stations_->FindStringExact(name);
        if (found != CB_ERR) stations_->SetSelection(found);
    }
    UpdateStationCommands();
    SaveSettings();
    ShowStationHealth();  // perhaps under another name
    LookAtStations();
}
