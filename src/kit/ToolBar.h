#pragma once
// A toolbar with picture buttons and their tooltips.
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "kit/Image.h"
#include "kit/ToolTip.h"
#include "kit/Window.h"

namespace kit {

class ToolBar;

class ToolBarButton {
public:
    ToolBarButton(ToolBar* toolBar, int index, int commandId)
        : toolBar_(toolBar), index_(index), commandId_(commandId) {}
    ToolBar* toolBar() const { return toolBar_; }
    int index() const { return index_; }
    int commandId() const { return commandId_; }

private:
    ToolBar* toolBar_;  // not owned
    int index_;
    int commandId_;
};

class ToolBar : public Window {
public:
    // A toolbar child of `parent` whose button pictures are `imageCount`
    // pictures of the strip `image`; empty when it cannot be made.
    static boost::shared_ptr<ToolBar> Create(Window* parent, int imageCount, int imageWidth, int imageHeight,
                                             DWORD style, const boost::shared_ptr<Image>& image);

    // Appends an enabled button showing picture `imageIndex`.
    boost::shared_ptr<ToolBarButton> AddButton(int imageIndex, int commandId);
    // Shows `text` while the mouse rests on `button`.
    void AddTooltip(const ToolBarButton& button, const std::wstring& text);

    const std::vector<boost::shared_ptr<ToolBarButton>>& buttons() const { return buttons_; }
    const boost::shared_ptr<ToolTip>& toolTip() const { return toolTip_; }

private:
    std::vector<boost::shared_ptr<ToolBarButton>> buttons_;
    boost::shared_ptr<ToolTip> toolTip_;
    boost::shared_ptr<Image> image_;  // the toolbar draws from its bitmap for its whole life
};

}  // namespace kit
