#include "app/StationMarks.h"

#include <algorithm>

#include "kit/Dc.h"
#include "kit/GdiObject.h"

namespace {

// The filled marks keep a dark edge on any background, so that they never
// read as the ring.
constexpr COLORREF kFollowedFill = RGB(0, 150, 70);
constexpr COLORREF kFollowedEdge = RGB(0, 70, 30);
constexpr COLORREF kUnwellFill = RGB(240, 140, 0);
constexpr COLORREF kUnwellEdge = RGB(120, 60, 0);

// `box` is square; the ring is drawn in `ring`, the colour of the text.
void DrawMark(HDC dc, const RECT& box, StationMark mark, COLORREF ring) {
    const int size = box.right - box.left;
    const COLORREF edge = mark == StationMark::NotFollowed ? ring
                          : mark == StationMark::Unwell    ? kUnwellEdge
                                                           : kFollowedEdge;
    kit::UniqueGdiObject pen(::CreatePen(PS_SOLID, size >= 12 ? 2 : 1, edge));
    kit::UniqueGdiObject fill(::CreateSolidBrush(mark == StationMark::Unwell ? kUnwellFill : kFollowedFill));
    if (!pen || !fill) return;
    kit::ScopedSelectObject usePen(dc, pen.Get());
    kit::ScopedSelectObject useBrush(dc, mark == StationMark::NotFollowed ? ::GetStockObject(NULL_BRUSH) : fill.Get());
    if (mark == StationMark::Unwell) {
        const POINT corners[3] = {{box.left + size / 2, box.top}, {box.right - 1, box.bottom - 1}, {box.left, box.bottom - 1}};
        ::Polygon(dc, corners, 3);
    } else {
        ::Ellipse(dc, box.left, box.top, box.right, box.bottom);
    }
}

}  // namespace

void DrawStationEntry(const DRAWITEMSTRUCT& item, const std::wstring& name, StationMark mark) {
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID != static_cast<UINT>(-1)) {
        const COLORREF text = ::GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT
                                            : selected                      ? COLOR_HIGHLIGHTTEXT
                                                                            : COLOR_WINDOWTEXT);
        RECT area = item.rcItem;
        const int height = area.bottom - area.top;
        const int size = std::max(7, std::min(height - 5, 14));
        const RECT box = {area.left + 3, area.top + (height - size) / 2, area.left + 3 + size,
                          area.top + (height - size) / 2 + size};
        DrawMark(dc, box, mark, text);
        area.left = box.right + 5;
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = ::SetTextColor(dc, text);
        ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &area,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        ::SetTextColor(dc, oldColour);
        ::SetBkMode(dc, oldMode);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) ::DrawFocusRect(dc, &item.rcItem);
}

int StationEntryHeight(HWND combo) {
    kit::Dc dc(::GetDC(combo), combo);
    TEXTMETRICW metrics{};
    {
        kit::ScopedSelectObject font(dc.handle(), reinterpret_cast<HGDIOBJ>(::SendMessageW(combo, WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(dc.handle(), &metrics);
    }
    return metrics.tmHeight + 4;
}
