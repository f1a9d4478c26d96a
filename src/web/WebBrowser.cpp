#include "web/WebBrowser.h"

#include "web/Automation.h"
#include "web/HeadlessBrowser.h"
#include "web/TextDecoding.h"

namespace kit {

namespace {

// Internet Explorer's out-of-process automation server.
const CLSID kInternetExplorerClass = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

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
        // Only Explorer clicks when it navigates.
        sound_.Silence();
    } else {
        browser_.Reset();
        headless_ = true;
    }
}

WebBrowser::~WebBrowser() {
    if (browser_) {
        ScopedVariant ignored;
        CallMethod(browser_.Get(), L"Quit", {}, ignored);
        browser_.Reset();
    }
    sound_.Restore();
}

bool WebBrowser::LoadPage(const std::wstring& url) {
    if (headless_) {
        headlessHtml_.clear();
        return LoadWithHeadlessBrowser(FindHeadlessBrowser(), url, options_.headlessTimeoutMs, headlessHtml_);
    }
    if (!browser_) return false;
    ScopedBstr address(url);
    ScopedVariant result;
    if (FAILED(CallMethod(browser_.Get(), L"Navigate", {BstrArgument(address)}, result))) return false;
    for (int poll = 0; poll < options_.pollLimit; ++poll) {
        ScopedVariant busy;
        const HRESULT hr = GetProperty(browser_.Get(), L"Busy", busy);
        Sleep(1);
        if (FAILED(hr)) return false;  // the browser has gone away
        if ((*busy).vt == VT_BOOL && (*busy).boolVal == VARIANT_FALSE) return true;
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
    for (int tries = 0; !body && tries < options_.pollLimit; ++tries) {
        Sleep(1);
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
