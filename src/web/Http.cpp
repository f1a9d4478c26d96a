#include "web/Http.h"

#include <algorithm>

#include "base/DiagnosticLog.h"
#include "web/PageCharset.h"
#include "web/TextDecoding.h"

namespace kit {

const wchar_t Http::kUserAgent[] =
    L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)";

namespace {

constexpr DWORD kHostCapacity = 256;
constexpr DWORD kPathCapacity = 2048;

struct UrlParts {
    std::wstring host;
    std::wstring object;  // path and query, without the fragment
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool SplitUrl(const std::wstring& url, UrlParts& parts) {
    if (url.empty() || url.size() > 0x7FFFFFFF) return false;
    wchar_t host[kHostCapacity] = {};
    wchar_t path[kPathCapacity] = {};
    wchar_t extra[kPathCapacity] = {};
    URL_COMPONENTS components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = host;
    components.dwHostNameLength = kHostCapacity;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = kPathCapacity;
    components.lpszExtraInfo = extra;
    components.dwExtraInfoLength = kPathCapacity;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) return false;
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parts.host.assign(host, components.dwHostNameLength);
    if (parts.host.empty()) return false;
    parts.object.assign(path, components.dwUrlPathLength);
    parts.object.append(extra, components.dwExtraInfoLength);
    const size_t fragment = parts.object.find(L'#');
    if (fragment != std::wstring::npos) parts.object.resize(fragment);
    if (parts.object.empty() || parts.object[0] != L'/') parts.object.insert(0, 1, L'/');
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

// The address without its query: a search's query holds a song's names.
std::wstring AddressForLog(const std::wstring& url) { return url.substr(0, std::min(url.find(L'?'), url.size())); }

}  // namespace

Http::Http(const wchar_t* userAgent)
    : openHandle_(WinHttpOpen(userAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0)) {}

Http::~Http() = default;

bool Http::Open(const std::wstring& url, DWORD budget) {
    if (!Request(url, budget)) {
        LogFailure("HTTP 取得失敗", AddressForLog(url), static_cast<std::int64_t>(::GetLastError()));
        return false;
    }
    if (const DWORD status = StatusCode(); status >= 400) LogFailure("HTTP エラー応答", AddressForLog(url), status);
    return true;
}

bool Http::Request(const std::wstring& url, DWORD budget) {
    deadline_ = GetTickCount64() + budget;
    requestHandle_.Reset();
    connectHandle_.Reset();
    if (!openHandle_) return false;
    UrlParts parts;
    if (!SplitUrl(url, parts)) return false;
    connectHandle_.Reset(WinHttpConnect(openHandle_.Get(), parts.host.c_str(), parts.port, 0));
    if (!connectHandle_) return false;
    requestHandle_.Reset(WinHttpOpenRequest(connectHandle_.Get(), L"GET", parts.object.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!requestHandle_ || !LimitNextStep()) return false;
    if (!WinHttpSendRequest(requestHandle_.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return false;
    if (!LimitNextStep()) return false;
    // Without a response (a server that hangs up, a failed TLS handshake)
    // there is nothing to read; an empty body would pass for a page.
    return WinHttpReceiveResponse(requestHandle_.Get(), nullptr) != FALSE;
}

std::size_t Http::ReadBytes(std::vector<std::uint8_t>& buffer, std::size_t limit) {
    buffer.clear();
    if (!requestHandle_) return 0;
    std::size_t total = 0;
    while (total < limit && LimitNextStep()) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(requestHandle_.Get(), &available) || available == 0) break;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(available, limit - total));
        buffer.resize(total + wanted);
        DWORD read = 0;
        if (!WinHttpReadData(requestHandle_.Get(), buffer.data() + total, wanted, &read) || read == 0) break;
        total += read;
        buffer.resize(total);
    }
    buffer.resize(total);
    return total;
}

void Http::ReadText(std::wstring& text) {
    std::vector<std::uint8_t> body;
    const std::size_t total = ReadBytes(body, kPageLimit);
    const std::string bytes(reinterpret_cast<const char*>(body.data()), total);
    text += DecodePageBytes(bytes, ResponseCharset());
}

bool Http::LimitNextStep() {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline_) return false;
    // Never 0: WinHTTP reads that as "no time-out".
    const int step = static_cast<int>(std::min<ULONGLONG>(kStepTimeout, deadline_ - now));
    // The wait for the headers has a time-out of its own, 90 s unless set.
    DWORD headers = static_cast<DWORD>(step);
    WinHttpSetOption(requestHandle_.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers, sizeof(headers));
    return WinHttpSetTimeouts(requestHandle_.Get(), step, step, step, step) != FALSE;
}

DWORD Http::StatusCode() const {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!requestHandle_ ||
        !WinHttpQueryHeaders(requestHandle_.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return status;
}

std::string Http::ResponseCharset() const { return CharsetOfContentType(ContentType()); }

std::string Http::ContentType() const {
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(requestHandle_.Get(), WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                             value, &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    std::string contentType;
    for (const wchar_t* c = value; *c; ++c) contentType += *c < 0x80 ? static_cast<char>(*c) : '?';
    return contentType;
}

}  // namespace kit
