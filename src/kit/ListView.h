#pragma once
// A report-style list view of a dialog with a model of its rows kept in step
// with the control: insert, delete, swap, select, and in-place editing.
#include <windows.h>

#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "kit/EditBox.h"
#include "kit/Window.h"

namespace kit {

class ListView;
class ListViewItem;

// Data a program keeps with a row; travels with the row's contents on swaps.
class ListViewItemData {
public:
    virtual ~ListViewItemData() = default;
};

// The edit box laid over a cell while it is being edited.
class ListViewEditBox : public EditBox {
public:
    explicit ListViewEditBox(ListViewItem* row) : row_(row) {}

    LRESULT OnGetDlgCode(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnKillFocus(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam) override;

    // A new edit box over `rect` of `listView`, or empty.
    static boost::shared_ptr<ListViewEditBox> Create(ListViewItem* row, Window* listView, const RECT& rect,
                                                     const std::wstring& text);

private:
    ListViewItem* row_;  // not owned; the row owns this box
};

class ListViewColumn {
public:
    ListViewColumn(ListView* listView, int index) : listView_(listView), index_(index) {}
    ListView* listView() const { return listView_; }
    int index() const { return index_; }

private:
    ListView* listView_;  // not owned
    int index_;
};

class ListViewItem {
public:
    ListViewItem(ListView* listView, int index) : listView_(listView), index_(index) {}
    ~ListViewItem();
    ListViewItem(const ListViewItem&) = delete;
    ListViewItem& operator=(const ListViewItem&) = delete;

    std::wstring GetText(int column) const;
    void SetText(int column, const std::wstring& text);
    bool IsSelected() const;
    void Select();
    void Focus();
    // Scrolls the list until the whole row is in sight.
    void EnsureVisible();
    // Exchanges contents (texts, data, colours) with `other`; indices stay.
    void SwapWith(ListViewItem& other);
    // Lays an edit box over the cell in `column` and gives it the focus.
    void BeginEdit(int column);
    // Writes the edited text back unless `cancel`, then drops the edit box.
    void EndEdit(bool cancel);

    int index() const { return index_; }
    ListView* listView() const { return listView_; }
    std::vector<boost::shared_ptr<ListViewItemData>>& data() { return data_; }
    COLORREF textColour() const { return textColour_; }
    void SetTextColour(COLORREF colour) { textColour_ = colour; }
    COLORREF backgroundColour() const { return backgroundColour_; }
    void SetBackgroundColour(COLORREF colour) { backgroundColour_ = colour; }
    const boost::shared_ptr<ListViewEditBox>& editBox() const { return editBox_; }
    int editColumn() const { return editColumn_; }

private:
    friend class ListView;
    HWND ListHandle() const;

    boost::shared_ptr<ListViewEditBox> editBox_;
    ListView* listView_;  // not owned; null once the row left the control
    std::vector<boost::shared_ptr<ListViewItemData>> data_;
    int index_;
    COLORREF textColour_ = RGB(0, 0, 0);
    COLORREF backgroundColour_ = RGB(255, 255, 255);
    int editColumn_ = 0;
};

class ListView : public Window {
public:
    static constexpr bool kSubclassOnAttach = true;
    enum Behaviour : unsigned {
        DeleteKey = 0x04,  // the Delete key removes the selected rows
        Editable = 0x10,   // in-place editing and a trailing blank row
    };

    ListView() = default;
    ~ListView() override;

    LRESULT OnGetDlgCode(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnLeftDoubleClick(WPARAM wParam, LPARAM lParam) override;

    boost::shared_ptr<ListViewColumn> AddColumn(int width, const std::wstring& text);
    boost::shared_ptr<ListViewItem> AppendRow(const std::wstring& text);
    // `index` past the end appends.
    boost::shared_ptr<ListViewItem> InsertRow(int index, const std::wstring& text);
    // Out of range does nothing.
    void DeleteRow(int index);
    boost::shared_ptr<ListViewItem> RowAt(int index) const;
    boost::shared_ptr<ListViewItem> SelectedRow() const;
    // With the editable flag, keeps one empty row at the end.
    void EnsureBlankRow();
    // Writes back every edit still open, as Enter would.
    void CommitEdits();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const std::vector<boost::shared_ptr<ListViewItem>>& rows() const { return rows_; }
    const std::vector<boost::shared_ptr<ListViewColumn>>& columns() const { return columns_; }
    unsigned behaviour() const { return behaviour_; }
    void SetBehaviour(unsigned flags) { behaviour_ = flags; }

private:
    void Renumber(size_t from);

    std::vector<boost::shared_ptr<ListViewColumn>> columns_;
    std::vector<boost::shared_ptr<ListViewItem>> rows_;
    unsigned behaviour_ = 0;
};

}  // namespace kit
