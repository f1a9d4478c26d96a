#pragma once
// The settings dialog: where songs go (iTunes or the folder, tags and the
// playlist file), iTunes registration options, window options and the
// ignore list. Nothing reaches the settings before "OK".
#include <array>

#include <boost/shared_ptr.hpp>

#include "app/ConfigTables.h"
#include "kit/Dialog.h"
#include "settings/LibraryTarget.h"

class IgnoreListView;
class MainWindowHost;
class Settings;

namespace kit {
class CheckBox;
class Image;
class RadioButton;
class ToolBar;
}  // namespace kit

class ConfigDialog : public kit::ModalDialog {
public:
    explicit ConfigDialog(MainWindowHost& mainWindow);
    ~ConfigDialog() override;

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Controls from `settings`, and back.
    void Load(const Settings& settings);
    void Save(Settings& settings);

    // The ignore list's commands, for the selected row. Toolbar buttons take
    // no focus, so an edit may still be open: each first writes it back into
    // its own row, before rows move.
    void InsertIgnoreRow();
    void DeleteIgnoreRow();
    void MoveIgnoreRowUp();
    void MoveIgnoreRowDown();

    const boost::shared_ptr<IgnoreListView>& ignoreList() const { return ignoreList_; }
    const boost::shared_ptr<kit::ToolBar>& toolBar() const { return toolBar_; }

    // The target as the dialog shows it now.
    LibraryTarget ShownTarget() const;

private:
    void ShowTarget(const LibraryTarget& target);
    // A radio button of the target was clicked: the playlist follows the new
    // target's default unless the user had set it otherwise, and what only
    // iTunes uses is greyed for the folder.
    void TargetChosen();
    void CreateToolBar();
    void CreateIgnoreList();
    void PlaceToolBar();

    MainWindowHost& mainWindow_;
    std::array<boost::shared_ptr<kit::CheckBox>, kConfigCheckRowCount> checkBoxes_;
    std::array<boost::shared_ptr<kit::RadioButton>, kConfigRadioRowCount> radioButtons_;
    boost::shared_ptr<kit::Image> toolBarImage_;
    boost::shared_ptr<kit::ToolBar> toolBar_;
    boost::shared_ptr<IgnoreListView> ignoreList_;
    LibraryTarget::Kind shownKind_ = LibraryTarget::Kind::ITunes;
};
