#pragma once
// The history window: every song the journal knows, newest first, or one
// station's songs, in a virtual list that reads only the rows on screen, so
// that it opens at once with 100,000 songs. Modeless; closing hides it.
#include <functional>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "journal/Journal.h"
#include "kit/Dialog.h"

namespace kit {
class ComboBox;
class Menu;
}

class HistoryDialog : public kit::Dialog {
public:
    static constexpr int kTemplateId = 105;
    enum Column { kTime, kStation, kFileName, kTitle, kArtist, kState, kColumnCount };

    using SongCommand = std::function<bool(journal::SongId)>;
    // `retry` asks for a song's registration (or hand-over) at once;
    // `finishWithoutLibrary` has a song waiting for iTunes finished in its
    // folder instead. Both start jobs and return at once.
    HistoryDialog(journal::Journal& journal, SongCommand retry, SongCommand finishWithoutLibrary);
    ~HistoryDialog() override;

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnSize(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnNotify(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnClose(WPARAM wParam, LPARAM lParam) override;

    // The journal changed: the stations, the count and the rows on screen
    // are read again.
    void Refresh();
    // Shows only `station`'s songs (empty: every station's), as picking it
    // in the station box does.
    void ShowStation(const std::wstring& station);
    const std::wstring& station() const { return station_; }
    int RowCount() const;
    std::wstring CellText(int row, int column);
    // The selected row, or -1.
    int SelectedRow() const;
    void Select(int row);

    // The context menu's commands, for `row`.
    void OpenFolder(int row);
    bool RetryNow(int row);
    bool FinishWithoutLibrary(int row);
    std::wstring DetailsText(int row);

    HWND list() const { return list_; }

private:
    const journal::SongRecord* Row(int row);
    void LoadRows(int from, int to);
    // The station box: すべての局, then each station the journal names.
    void FillStations();
    void PlaceList(int width, int height);

    journal::Journal& journal_;
    SongCommand retry_;
    SongCommand finishWithoutLibrary_;
    HWND list_ = nullptr;  // a child: destroyed with the dialog
    boost::shared_ptr<kit::ComboBox> stationBox_;
    std::vector<std::wstring> stations_;  // as the station box lists them, after すべての局
    std::wstring station_;                // the one shown; empty: all
    std::vector<journal::SongRecord> cache_;
    int cacheStart_ = 0;
    boost::shared_ptr<kit::Menu> menu_;
};
