#include "base/TextConversion.h"

#include <cstring>

namespace {

size_t LengthToZero(const char* data, size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return zero ? static_cast<const char*>(zero) - data : size;
}

// One conversion call: no code page yields more UTF-16 units than bytes, so
// the output is sized by the input instead of asking first.
std::wstring MultiByteToText(UINT codePage, const char* data, size_t size) {
    std::wstring text;
    if (size == 0 || size > 0x7FFFFFFF) return text;
    text.resize(size);
    const int written = MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), &text[0],
                                            static_cast<int>(size));
    text.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return text;
}

}  // namespace

std::wstring ToWide(const std::string& ansi) { return ToWide(ansi, CP_ACP); }

std::wstring ToWide(const std::string& bytes, UINT codePage) {
    return MultiByteToText(codePage, bytes.data(), LengthToZero(bytes.data(), bytes.size()));
}

std::string ToNarrow(const std::wstring& text) {
    const size_t zero = text.find(L'\0');
    const size_t length = zero == std::wstring::npos ? text.size() : zero;
    std::string ansi;
    if (length == 0 || length > 0x3FFFFFFF) return ansi;
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(length), nullptr,
                                         0, nullptr, nullptr);
    if (size <= 0) return ansi;
    ansi.resize(size);
    const int written = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(length),
                                            &ansi[0], size, nullptr, nullptr);
    ansi.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return ansi;
}

std::wstring BstrToWide(BSTR bstr) {
    if (!bstr) return {};
    std::wstring text(bstr, SysStringLen(bstr));
    const size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos) text.resize(zero);
    return text;
}
