// The main window's two modal commands: a station added or edited, and the
// settings dialog.
#include "app/Kestrel.h"

#include "app/ConfigDialog.h"
#include "app/StationDialog.h"
#include "app_ids.h"
#include "kit/ComboBox.h"
#include "settings/SettingsCatalogue.h"

void Kestrel::RunStationDialog(bool isNew) {
    cycle_.busy = true;
    if (isNew) StartNewStation(settings_, cycle_.currentStation);
    StationDialog dialog(*this, isNew);
    if (dialog.DoModal(this, IDD_STATION) == 1) {
        const Settings& edited = dialog.result();
        const std::wstring name = edited.GetString(L"StationName");
        Settings& stations = settings_.Group(L"Station");
        if (!isNew) stations.RemoveGroup(cycle_.currentStation.GetString(L"StationName"));
        stations.SetGroup(name, edited);
        cycle_.currentStation = stations.Group(name);
        RememberStationValues(cycle_.currentStation, settings_);
        FillStationList();
        if (stations_) {
            const LRESULT found = ::SendMessageW(stations_->handle(), CB_FINDSTRING, static_cast<WPARAM>(-1),
                                                 reinterpret_cast<LPARAM>(name.c_str()));
            if (found != CB_ERR) stations_->SetSelection(static_cast<int>(found));
        }
        UpdateStationCommands();
        SaveSettings();
    } else {
        CopySelectedStation();
    }
    cycle_.busy = false;
}

void Kestrel::RunConfigDialog() {
    cycle_.busy = true;
    ConfigDialog dialog(*this);
    if (dialog.DoModal(this, IDD_CONFIG) == 1) {
        ApplyTopmost();
        SaveSettings();
    }
    cycle_.busy = false;
}
