#include "web/UrlText.h"

#include <windows.h>
#include <shlwapi.h>

#include "base/Utf8Text.h"

namespace {

// Longer than any address a server accepts.
constexpr size_t kLongestUrl = 16 * 1024;

}  // namespace

std::wstring ResolveUrl(const std::wstring& base, const std::wstring& reference) {
    if (reference.empty() || base.empty() || base.size() > kLongestUrl || reference.size() > kLongestUrl)
        return reference;
    std::wstring combined(base.size() + reference.size() + 16, L'\0');
    DWORD size = static_cast<DWORD>(combined.size());
    HRESULT result = UrlCombineW(base.c_str(), reference.c_str(), &combined[0], &size, 0);
    if (result == E_POINTER && size < 2 * kLongestUrl) {
        combined.assign(size + 1, L'\0');
        size = static_cast<DWORD>(combined.size());
        result = UrlCombineW(base.c_str(), reference.c_str(), &combined[0], &size, 0);
    }
    if (FAILED(result)) return reference;
    combined.resize(size);
    return combined;
}

std::wstring EncodeQueryValue(const std::wstring& text) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring encoded;
    for (unsigned char byte : ToUtf8(text)) {
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '_' || byte == '.' || byte == '~') {
            encoded += static_cast<wchar_t>(byte);
        } else {
            encoded += L'%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}
