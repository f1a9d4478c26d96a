#pragma once
// The small window that says what the program is busy with while a job runs
// on a worker; the owner stays usable and closes it when the result is back.
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

    // Centres over the owner and shows the text; it paints as the running
    // message loop gets to it.
    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override;

    const std::wstring& text() const { return text_; }
    // Names another job without making the note again.
    void SetText(const std::wstring& text);

private:
    std::wstring text_;
    boost::shared_ptr<kit::StaticText> textControl_;
};
