#pragma once
// What the station and settings dialogs see of the main window: the
// settings tree, the station being edited and the pop-up menus.
#include <boost/shared_ptr.hpp>

class Settings;

namespace kit {
class Menu;
}  // namespace kit

class MainWindowHost {
public:
    // The whole tree; the settings dialog writes it on OK.
    virtual Settings& settings() = 0;
    // The selected station, or a new station's start values while one is added.
    virtual const Settings& currentStation() const = 0;
    // The pop-up menus of the program's resources; may be empty.
    virtual const boost::shared_ptr<kit::Menu>& menu() const = 0;

protected:
    ~MainWindowHost() = default;
};
