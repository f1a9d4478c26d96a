#pragma once
// Loads a page in a browser engine and hands back the HTML of its body, for
// stations whose song stands only in what scripts write into the page.
// Internet Explorer's automation server when it is registered (silent, with
// the navigation click silenced meanwhile); otherwise a headless Edge or
// Chrome. Either gets a deadline for loading and reading the page; a server
// that does not quit in time, or hangs past the deadline, is ended.
#include <windows.h>

#include <string>

#include "base/ComOwners.h"
#include "web/BrowserProcess.h"
#include "web/NavigationSound.h"

namespace kit {

class WebBrowser {
public:
    struct Options {
        CLSID engine;                   // Internet Explorer's class unless a test says otherwise
        DWORD deadlineMs = 20000;       // navigation plus reading
        DWORD quitTimeoutMs = 3000;
        Options();
    };

    WebBrowser() : WebBrowser(Options()) {}
    explicit WebBrowser(const Options& options);
    virtual ~WebBrowser();
    WebBrowser(const WebBrowser&) = delete;
    WebBrowser& operator=(const WebBrowser&) = delete;

    // True when the page has finished loading within the deadline, which
    // starts here.
    bool LoadPage(const std::wstring& url);
    // The serialised HTML of the loaded page's body; empty when there is none.
    std::wstring GetBodyHtml();

    // The whole sequence for one page: false when it could not be loaded.
    static bool FetchBodyHtml(const std::wstring& url, std::wstring& html, const Options& options = Options());

private:
    std::wstring BodyHtmlFromAutomation();

    bool BeforeDeadline() const { return ::GetTickCount64() < deadline_; }

    Options options_;
    ComInitialization com_;
    NavigationSound sound_;
    BrowserProcess process_;
    ComPtr<IDispatch> browser_;  // null when the class could not be created
    ULONGLONG deadline_ = 0;
    bool headless_ = false;
    std::wstring headlessHtml_;
};

}  // namespace kit
