#pragma once
// The main window: station list, the song in progress, the switch of the
// whole processing, the tray. It owns the settings tree and the processing
// cycle, shows what the cycle shows, and hosts the program's dialogs.
#include <memory>
#include <string>

#include <boost/shared_ptr.hpp>

#include "app/CycleWatch.h"
#include "app/MainWindowHost.h"
#include "app/StationOverview.h"
#include "journal/Journal.h"
#include "base/ComOwners.h"
#include "kit/Dialog.h"
#include "kit/WindowCompletions.h"
#include "processing/CycleView.h"
#include "processing/ProcessingCycle.h"
#include "processing/SongWork.h"
#include "processing/StationHealth.h"
#include "settings/Settings.h"

class HistoryDialog;
class MessageDialog;

namespace kit {
class Brush;
class CheckBox;
class ComboBox;
class EditBox;
class Menu;
class SingleInstance;
class StaticText;
}  // namespace kit

class Kestrel : public kit::Dialog, public MainWindowHost, private CycleView {
public:
    static constexpr UINT_PTR kTimerId = 0;
    static constexpr UINT kTickMilliseconds = 1000;
    // A close asked for while the library registers a song waits this long at
    // most for its result, so that the journal holds what the library did.
    static constexpr UINT_PTR kCloseTimerId = 3;
    static constexpr UINT kCloseWaitMilliseconds = 10000;

    Kestrel();
    ~Kestrel() override;

    // Where settings and artwork live; the defaults sit beside the program
    // file. Tests point them elsewhere before Create.
    void SetSettingsPath(const std::wstring& path) { settingsPath_ = path; }
    void SetArtworkDirectory(const std::wstring& path) { artworkDirectory_ = path; }
    void SetJournalPath(const std::wstring& path) { journalPath_ = path; }
    // The first running copy's mark, set on the window while it lives.
    void SetSingleInstance(const kit::SingleInstance* instance) { instance_ = instance; }
    const std::wstring& settingsPath() const { return settingsPath_; }
    const std::wstring& artworkDirectory() const { return artworkDirectory_; }

    // MainWindowHost
    Settings& settings() override { return settings_; }
    const Settings& currentStation() const override;
    const boost::shared_ptr<kit::Menu>& menu() const override { return menu_; }
    std::wstring selectedStationName() const override;
    std::vector<std::wstring> followedStations() const override;

    ProcessingCycle& cycle() { return cycle_; }
    SongWork& songWork() { return services_; }
    // What the main loop waits for beside messages: the watched folders.
    kit::WaitSource& waitSource() { return cycleWatch_; }
    // Null before the window is made.
    journal::Journal* journal() override { return journal_.get(); }
    CompletionsPtr completions() override { return completions_; }
    const boost::shared_ptr<HistoryDialog>& history() const { return history_; }

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnSize(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam) override;  // lParam: DRAWITEMSTRUCT*
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;
    // WM_ENDSESSION and the tray icon's message, which have no handler slot.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The commands, callable by tests without a click.
    void RunStationDialog(bool isNew);
    void DeleteSelectedStation();
    void RunConfigDialog();
    void SelectStationChanged();
    // Shows and follows `station` as if it were picked in the list (tests).
    void ShowStation(const Settings& station);
    // Tells the user, once per session, when the file cannot be written.
    bool SaveSettings();
    // The caption from the selected station's newest health state.
    void ShowStationHealth();
    // Every station's mark, the tray icon's tooltip and the warnings due,
    // brought in line with the cycle: after every tick and change.
    void LookAtStations();
    const StationOverview& overview() const { return overview_; }
    // What the tray icon's tooltip says: the caption, then each followed
    // station with its song.
    std::wstring TrayTip();
    // The history window, made on first use and shown.
    void ShowHistory();

private:
    // CycleView
    bool IsCooperationChecked() override;
    void ShowFileName(const std::wstring& name) override;
    void ShowSongBoxes(const std::wstring& title, const std::wstring& artist, const std::wstring& album) override;
    bool ShowArtwork(const std::wstring& path) override;
    void ClearArtwork() override;
    void JobStarted(const std::wstring& text) override;
    void JobEnded(const std::wstring& text) override;
    void SongGivenUp(const journal::SongRecord& song) override { WarnGivenUp(song); }
    void JournalChanged() override { RefreshHistory(); }
    void JournalTrouble(const std::wstring& reason) override;
    void PageFetched(const std::wstring& station, const std::wstring& html) override;

    void OnTrayIcon(LPARAM mouseMessage);
    void FillStationList();
    Settings SelectedStation();
    // Greys the commands that need a station when there is none.
    void UpdateStationCommands();
    void RestorePlacement();
    void ApplyTopmost();
    // Minimised into the tray: hidden once the icon is there, left visible
    // (minimised) when it could not be added. True when hidden.
    bool MoveToTray();
    void StoreControlStates();
    // Writes the settings file (unless a damaged one is kept); a failure is told once.
    bool WriteSettings();
    bool RunTick(ProcessingCycle::Scope scope);
    // The road reads the settings afresh after every change.
    void ApplySettings();
    void ShowMessage(const std::wstring& text);
    void AddHistoryToSystemMenu();
    void RefreshHistory();
    void WarnGivenUp(const journal::SongRecord& song);
    bool RetrySong(journal::SongId id);
    void PublishInstance(bool present);

    // First, so that COM outlives every other member.
    kit::ComInitialization com_;
    // Workers' results come back through it; closed when the window goes.
    std::shared_ptr<kit::WindowCompletions> completions_;
    Settings settings_;
    std::wstring artworkDirectory_;
    SongWork services_;
    // Set as the window object goes. Declared before the cycle, which outlives
    // the members below it and still reports the jobs its followers close.
    bool closing_ = false;
    // Closed once the registration under way reports (or kCloseWaitMilliseconds pass).
    bool closeWhenRegistered_ = false;
    ProcessingCycle cycle_;
    CycleWatch cycleWatch_{cycle_};
    // A new station's start values while the station dialog adds one.
    const Settings* newStation_ = nullptr;
    // The combo box's station, as the settings hold it.
    Settings shownStation_;
    boost::shared_ptr<kit::CheckBox> cooperation_;
    boost::shared_ptr<kit::EditBox> fileNameBox_, titleBox_, artistBox_, albumBox_;
    boost::shared_ptr<kit::StaticText> artwork_;
    boost::shared_ptr<kit::ComboBox> stations_;
    boost::shared_ptr<kit::Menu> menu_;
    boost::shared_ptr<kit::Brush> greyBrush_;
    boost::shared_ptr<MessageDialog> message_;
    std::wstring settingsPath_;
    bool saveFailureShown_ = false;
    // The damaged settings file could not be copied aside: it is not saved over.
    bool keepDamagedSettings_ = false;
    // Minimised into the tray, whether or not the icon could be added: the
    // taskbar's next start adds it (again).
    bool wantsTray_ = false;
    bool iconInTray_ = false;
    // The jobs under way that the message window names, newest last.
    std::vector<std::wstring> jobs_;
    // Why the journal could not be written, for the caption; told once.
    std::wstring journalTrouble_;
    std::wstring journalPath_;
    std::unique_ptr<journal::Journal> journal_;
    int healthRecordsShown_ = 0;
    StationOverview overview_;
    std::wstring trayTip_;  // as last given to the icon
    boost::shared_ptr<HistoryDialog> history_;
    const kit::SingleInstance* instance_ = nullptr;
};
