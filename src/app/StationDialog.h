#pragma once
// The dialog in which the user sets up one radio station, with a test bench
// that fetches the station's page and shows what the pattern and templates
// cut out of it.
#include <array>
#include <memory>
#include <string>

#include <boost/shared_ptr.hpp>

#include "kit/Dialog.h"
#include "settings/Settings.h"

class MainWindowHost;
class MessageDialog;

namespace kit {
class Button;
class CheckBox;
class ComboBox;
class EditBox;
class TrackBar;
}  // namespace kit

class StationDialog : public kit::ModalDialog {
public:
    static constexpr int kBoxCount = 16;
    static constexpr int kMaxWaitTime = 30;
    static constexpr int kPageLimit = 1048576;  // characters of page text
    // The live test waits for typing to pause this long, in milliseconds.
    static constexpr UINT kLiveTestDelay = 300;

    // Indices into the box table.
    enum Box {
        NameBox = 0,
        PlayBox = 1,
        EndBox = 2,
        OutputBox = 3,
        UrlBox = 4,
        WaitBox = 5,
        PatternBox = 6,
        TitleBox = 7,  // Artist, Album and Artwork templates follow
        HtmlBox = 11,
        TitleResultBox = 12,  // the other three results follow
    };

    // `isNew`: adding a station (any existing name conflicts) rather than
    // editing `mainWindow.currentStation()`. No window exists yet.
    StationDialog(MainWindowHost& mainWindow, bool isNew);
    ~StationDialog() override;

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override;

    // Filled on OK: the station as it was, with StationName, the folders,
    // Url, MatchPattern, the four templates, Html, WaitTime, Charset,
    // Component, DeleteReturn and Follow from the dialog. Empty otherwise.
    const Settings& result() const { return result_; }

    // What the buttons do, callable without a click.
    void RunTest();
    // Starts fetching the page on a worker, unless a fetch is running; the
    // page is shown and tested when it comes back.
    void FetchPage();
    bool fetching() const { return static_cast<bool>(fetchRunning_); }
    void BrowseForFolder(int box);
    void InsertSnippet(UINT commandId);
    // "この値にする": WaitTime from the page delays of recent songs.
    void ApplyCalibration();
    // Why the station's songs would not be filed, or which station sharing
    // its folders would stop being followed, beside the Follow check box.
    void ShowFollowing();

    int snippetTarget() const { return snippetTarget_; }

protected:
    // Asks the user for a folder, starting at `startFolder`; false on cancel.
    virtual bool ChooseFolder(const std::wstring& startFolder, std::wstring& chosen);

private:
    void LoadControls();
    void AddBindings();
    void Confirm();
    // Each says what is wrong in a box and puts the focus there; false then.
    bool CheckFolders();
    bool CheckUrl();
    void FocusBox(int box);
    void ShowSnippetMenu(int box, int buttonIndex);
    void FocusName(bool selectAll);
    void ShowPage(std::wstring page);
    // The fetch's page (empty: it failed) back on the dialog's thread.
    void ShowFetchedPage(std::wstring page);
    // The page delays and the health states the journal keeps for the station.
    void ShowPageState();

    MainWindowHost& mainWindow_;
    Settings result_;
    // The page as fetched (or stored), which the test runs on; the page box
    // shows it laid out for reading.
    std::wstring page_;
    std::array<boost::shared_ptr<kit::EditBox>, kBoxCount> boxes_;
    boost::shared_ptr<kit::TrackBar> waitTime_;
    boost::shared_ptr<kit::ComboBox> charset_;
    boost::shared_ptr<kit::CheckBox> component_, deleteReturn_, follow_;
    int suggestedWaitTime_ = -1;  // none known
    // the five ">" buttons, then "HTMLを取得する"
    std::array<boost::shared_ptr<kit::Button>, 6> buttons_;
    bool isNew_;
    int snippetTarget_ = PatternBox;
    // While a fetch runs: its note, and the token its posted result holds
    // weakly, so that a result arriving after the dialog is gone is dropped.
    std::unique_ptr<MessageDialog> fetchNote_;
    std::shared_ptr<int> fetchRunning_;
};
