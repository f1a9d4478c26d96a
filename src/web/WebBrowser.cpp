#include "web/WebBrowser.h"

#include "web/Automation.h"
#include "web/HeadlessBrowser.h"
#include "web/TextDecoding.h"

namespace kit {

namespace {

// Internet Explorer's out-of-process automation server.
const CLSID kInternetExplorerClass = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Each poll is a call into another process: a few dozen a second are plenty.
constexpr DWORD kPollInterval = 25;

VARIANT BoolArgument(bool value) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BOOL;
    argument.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return argument;
}

// The browser's top window, whose process can be ended.
HWND WindowOf(IDispatch* browser) {
    ScopedVariant window;
    if (FAILED(GetProperty(browser, L"HWND", window))) return nullptr;
    const VARIANT& v = *window;
    if (v.vt == VT_I4 || v.vt == VT_UI4) return reinterpret_cast<HWND>(static_cast<LONG_PTR>(v.lVal));
    if (v.vt == VT_I8 || v.vt == VT_UI8) return reinterpret_cast<HWND>(static_cast<LONG_PTR>(v.llVal));
    return nullptr;
}

VARIANT BstrArgument(const ScopedBstr& text) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text.Get();  // borrowed; the ScopedBstr frees it
    return argument;
}

}  // namespace

WebBrowser::Options::Options() : engine(kInternetExplorerClass) {}

WebBrowser::WebBrowser(const Options& options) : options_(options) {
    if (SUCCEEDED(CoCreateInstance(options_.engine, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   browser_.ReceiveVoid())) &&
        browser_) {
        process_.Attach(WindowOf(browser_.Get()));
        // Script errors and download prompts would wait for a click nobody sees.
        PutProperty(browser_.Get(), L"Silent", BoolArgument(true));
        // Only Explorer clicks when it navigates.
        sound_.Silence();
    } else {
        browser_.Reset();
        headless_ = true;
    }
}

WebBrowser::~WebBrowser() {
    if (browser_) {
        // Quit and the last Release are calls into the browser too.
        process_.ArmUntil(::GetTickCount64() + options_.quitTimeoutMs);
        ScopedVariant ignored;
        const bool quit = SUCCEEDED(CallMethod(browser_.Get(), L"Quit", {}, ignored));
        browser_.Reset();
        if (!quit) process_.End();
        process_.Disarm();
    }
    sound_.Restore();
}

bool WebBrowser::LoadPage(const std::wstring& url) {
    deadline_ = ::GetTickCount64() + options_.deadlineMs;
    if (headless_) {
        headlessHtml_.clear();
        return LoadWithHeadlessBrowser(FindHeadlessBrowser(), url, options_.deadlineMs, headlessHtml_);
    }
    if (!browser_) return false;
    // A call still hanging at the deadline ends with the browser's process.
    process_.ArmUntil(deadline_);
    ScopedBstr address(url);
    ScopedVariant result;
    if (FAILED(CallMethod(browser_.Get(), L"Navigate", {BstrArgument(address)}, result))) return false;
    while (BeforeDeadline()) {
        ScopedVariant busy;
        if (FAILED(GetProperty(browser_.Get(), L"Busy", busy))) return false;  // the browser has gone away
        if ((*busy).vt == VT_BOOL && (*busy).boolVal == VARIANT_FALSE) return true;
        Sleep(kPollInterval);
    }
    return false;
}

std::wstring WebBrowser::GetBodyHtml() {
    return headless_ ? headlessHtml_ : BodyHtmlFromAutomation();
}

std::wstring WebBrowser::BodyHtmlFromAutomation() {
    ComPtr<IDispatch> document = GetObjectProperty(browser_.Get(), L"Document");
    if (!document) return {};
    ComPtr<IDispatch> body = GetObjectProperty(document.Get(), L"body");
    while (!body && BeforeDeadline()) {
        Sleep(kPollInterval);
        body = GetObjectProperty(document.Get(), L"body");
    }
    if (!body) return {};
    ScopedVariant range;
    if (FAILED(CallMethod(body.Get(), L"createTextRange", {}, range)) || (*range).vt != VT_DISPATCH ||
        !(*range).pdispVal)
        return {};
    ScopedVariant html;
    if (FAILED(GetProperty((*range).pdispVal, L"htmlText", html)) || (*html).vt != VT_BSTR) return {};
    return BstrToWide((*html).bstrVal);
}

bool WebBrowser::FetchBodyHtml(const std::wstring& url, std::wstring& html, const Options& options) {
    WebBrowser browser(options);
    if (!browser.LoadPage(url)) return false;
    html = browser.GetBodyHtml();
    return true;
}

}  // namespace kit
