#pragma once
// The small window that says what the program is busy with while a long
// operation blocks the thread.
#include <string>

#include <boost/shared_ptr.hpp>

#include "kit/Dialog.h"

namespace kit {
class StaticText;
}

class MessageDialog : public kit::Dialog {
public:
    explicit MessageDialog(const std::wstring& text);
    ~MessageDialog() override;

    // Centres over the owner, shows the text and lets the window paint.
    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;

    const std::wstring& text() const { return text_; }

private:
    std::wstring text_;
    boost::shared_ptr<kit::StaticText> textControl_;
};
