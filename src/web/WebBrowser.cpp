#include "web/WebBrowser.h"

namespace kit {

WebBrowser::Options::Options() : engine{} {}
WebBrowser::WebBrowser(const Options& options) : options_(options) {}
WebBrowser::~WebBrowser() = default;
bool WebBrowser::LoadPage(const std::wstring&) { return false; }
std::wstring WebBrowser::GetBodyHtml() { return {}; }
bool WebBrowser::FetchBodyHtml(const std::wstring&, std::wstring&, const Options&) { return false; }

}  // namespace kit
