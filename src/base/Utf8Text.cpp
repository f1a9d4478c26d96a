#include "base/Utf8Text.h"

#include <windows.h>

std::string ToUtf8(std::wstring_view text) {
    std::string bytes;
    if (text.empty() || text.size() > 0x1FFFFFFF) return bytes;
    // At most three bytes for each UTF-16 unit.
    bytes.resize(text.size() * 3);
    const int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                            static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return bytes;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring text;
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return text;
    text.resize(bytes.size());
    const int written = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                            static_cast<int>(text.size()));
    text.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return text;
}
