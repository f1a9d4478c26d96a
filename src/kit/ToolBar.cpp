#include "kit/ToolBar.h"

#include <commctrl.h>

namespace kit {

boost::shared_ptr<ToolBar> ToolBar::Create(Window* parent, int imageCount, int imageWidth, int imageHeight,
                                           DWORD style, const boost::shared_ptr<Image>& image) {
    if (!parent || !parent->handle()) return boost::shared_ptr<ToolBar>();
    // With no instance, the bitmap id is the bitmap handle itself.
    HWND hwnd = ::CreateToolbarEx(parent->handle(), style | WS_CHILD | WS_CLIPSIBLINGS, 0, imageCount, nullptr,
                                  image ? reinterpret_cast<UINT_PTR>(image->bitmap()) : 0, nullptr, 0, 0, 0,
                                  imageWidth, imageHeight, 20);
    if (!hwnd) return boost::shared_ptr<ToolBar>();
    boost::shared_ptr<ToolBar> toolBar(new ToolBar());
    toolBar->SetParentObject(parent);
    toolBar->Bind(hwnd);
    toolBar->image_ = image;
    ::SendMessageW(hwnd, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    toolBar->toolTip_ = ToolTip::Create(toolBar.get());
    return toolBar;
}

boost::shared_ptr<ToolBarButton> ToolBar::AddButton(int imageIndex, int commandId) {
    const int index = static_cast<int>(buttons_.size());
    TBBUTTON button = {};
    button.iBitmap = imageIndex;
    button.idCommand = commandId;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = 0;
    ::SendMessageW(handle_, TB_INSERTBUTTONW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button));
    boost::shared_ptr<ToolBarButton> added(new ToolBarButton(this, index, commandId));
    buttons_.push_back(added);
    return added;
}

void ToolBar::AddTooltip(const ToolBarButton& button, const std::wstring& text) {
    if (!toolTip_) return;
    RECT area = {};
    ::SendMessageW(handle_, TB_GETITEMRECT, static_cast<WPARAM>(button.index()), reinterpret_cast<LPARAM>(&area));
    std::wstring copy = text;  // TOOLINFOW wants a writable pointer
    TOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = handle_;
    info.uId = static_cast<UINT_PTR>(button.commandId());
    info.rect = area;
    info.hinst = Instance();
    info.lpszText = &copy[0];
    ::SendMessageW(toolTip_->handle(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    ::SendMessageW(handle_, TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(toolTip_->handle()), 0);
}

}  // namespace kit
