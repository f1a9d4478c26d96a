#pragma once
// What the station and settings dialogs see of the main window: the
// settings tree, the station being edited, the stations followed, the
// pop-up menus and the journal.
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "base/Completions.h"

class Settings;

namespace journal {
class Journal;
}  // namespace journal

namespace kit {
class Menu;
}  // namespace kit

class MainWindowHost {
public:
    // The whole tree; the settings dialog writes it on OK.
    virtual Settings& settings() = 0;
    // The selected station, or a new station's start values while one is added.
    virtual const Settings& currentStation() const = 0;
    // The station selected in the station list; empty when none.
    virtual std::wstring selectedStationName() const = 0;
    // The stations whose songs are filed now.
    virtual std::vector<std::wstring> followedStations() const = 0;
    // The pop-up menus of the program's resources; may be empty.
    virtual const boost::shared_ptr<kit::Menu>& menu() const = 0;
    // What the journal knows of the stations' pages; null when there is none.
    virtual journal::Journal* journal() = 0;
    // Where a dialog's worker posts its result: back to the window's thread.
    virtual CompletionsPtr completions() = 0;

protected:
    ~MainWindowHost() = default;
};
