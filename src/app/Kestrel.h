#pragma once
// The main window: station list, the song in progress, the switch of the
// whole processing, the tray. It owns the settings tree and the processing
// cycle, and is the cycle's window, web, tag and library seam.
#include <string>

#include <boost/shared_ptr.hpp>

#include "base/ComOwners.h"
#include "kit/Dialog.h"
#include "processing/CycleSeam.h"
#include "processing/ProcessingCycle.h"
#include "settings/Settings.h"
#include "web/ArtworkSearch.h"
#include "web/FetchSongInfo.h"

class MessageDialog;

namespace kit {
class Brush;
class CheckBox;
class ComboBox;
class EditBox;
class Menu;
class StaticText;
}  // namespace kit

class Kestrel : public kit::Dialog, private CycleSeam, private ArtworkView {
public:
    static constexpr UINT_PTR kTimerId = 0;
    static constexpr UINT kTickMilliseconds = 1000;

    Kestrel();
    ~Kestrel() override;

    // Where settings and artwork live; the defaults sit beside the program
    // file. Tests point them elsewhere before Create.
    void SetSettingsPath(const std::wstring& path) { settingsPath_ = path; }
    void SetArtworkDirectory(const std::wstring& path) { artworkDirectory_ = path; }
    const std::wstring& settingsPath() const { return settingsPath_; }
    const std::wstring& artworkDirectory() const { return artworkDirectory_; }

    // What the station and settings dialogs read and write.
    Settings& settings() { return settings_; }
    Settings& currentStation() { return cycle_.currentStation; }
    const boost::shared_ptr<kit::Menu>& menu() const { return menu_; }
    ProcessingCycle& cycle() { return cycle_; }

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnSize(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnUser(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;
    // WM_ENDSESSION, which has no handler slot of its own.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The commands, callable by tests without a click.
    void RunStationDialog(bool isNew);
    void DeleteSelectedStation();
    void RunConfigDialog();
    void SelectStationChanged();
    // Tells the user, once per session, when the file cannot be written.
    bool SaveSettings();

private:
    // CycleSeam
    bool IsCooperationChecked() override;
    void ShowFileName(const std::wstring& name) override;
    void ShowSongBoxes(const std::wstring& title, const std::wstring& artist, const std::wstring& album) override;
    void ClearArtwork() override;
    void ShowMessage(const std::wstring& text) override;
    void CloseMessage() override;
    void FetchSongInfo(Settings& station, SongInfo& songInfo) override;
    std::wstring ReadTagText(const std::wstring& path, const char* frameId) override;
    bool StripTags(const std::wstring& path) override;
    bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) override;
    // ArtworkView
    bool ShowArtwork(const std::wstring& path) override;

    void FillStationList();
    // Also greys the commands that need a station when there is none.
    void CopySelectedStation();
    void UpdateStationCommands();
    void RestorePlacement();
    void ApplyTopmost();
    void AddToTray();
    void StoreControlStates();

    // First, so that COM outlives every member that may hold a COM object.
    kit::ComInitialization com_;
    Settings settings_;
    ProcessingCycle cycle_;
    // Until the journal keeps the answers across runs.
    MemoryArtworkSearchCache artworkSearchCache_;
    ArtworkSearch artworkSearch_{settings_, artworkSearchCache_};
    boost::shared_ptr<kit::CheckBox> cooperation_;
    boost::shared_ptr<kit::EditBox> fileNameBox_, titleBox_, artistBox_, albumBox_;
    boost::shared_ptr<kit::StaticText> artwork_;
    boost::shared_ptr<kit::ComboBox> stations_;
    boost::shared_ptr<kit::Menu> menu_;
    boost::shared_ptr<kit::Brush> greyBrush_;
    boost::shared_ptr<MessageDialog> message_;
    std::wstring settingsPath_;
    bool saveFailureShown_ = false;
    std::wstring artworkDirectory_;
};
