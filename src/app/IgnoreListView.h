#pragma once
// The settings dialog's list of file names that are not registered; a right
// click offers the list's commands to the dialog.
#include "kit/ListView.h"

class ConfigDialog;
class MainWindowHost;

class IgnoreListView : public kit::ListView {
public:
    IgnoreListView(MainWindowHost* mainWindow, ConfigDialog* dialog) : mainWindow_(mainWindow), dialog_(dialog) {}

    LRESULT OnNotify(WPARAM wParam, LPARAM lParam) override;
    // Shift+F10 and the menu key open the same menu as a right click.
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam) override;
    // The Delete key may take the blank last row with the others; it comes back.
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam) override;

private:
    void ShowMenu(POINT at);

    MainWindowHost* mainWindow_;  // not owned
    ConfigDialog* dialog_;  // not owned
};
