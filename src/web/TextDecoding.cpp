#include "web/TextDecoding.h"

#include <cstring>

#include "web/PageCharset.h"

namespace {

// EUC-JP, half-width katakana included. (51932 would be the other EUC-JP,
// but it has no MultiByteToWideChar support.)
constexpr UINT kEucJpCodePage = 20932;
constexpr UINT kShiftJisCodePage = 932;

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

std::wstring ToWide(const std::string& ansi) {
    return MultiByteToText(CP_ACP, ansi.data(), LengthToZero(ansi.data(), ansi.size()));
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

std::wstring DecodePageBytes(const std::string& bytes, const std::string& headerCharset) {
    PageCharset charset = CharsetFromLabel(headerCharset);
    if (charset == PageCharset::Unknown) charset = DeclaredCharset(bytes);
    const size_t length = LengthToZero(bytes.data(), bytes.size());
    switch (charset) {
    case PageCharset::Utf8:
        // Straight to UTF-16: a detour through the ANSI code page would lose
        // everything outside Shift_JIS.
        return MultiByteToText(CP_UTF8, bytes.data(), length);
    case PageCharset::EucJp: {
        std::wstring text = MultiByteToText(kEucJpCodePage, bytes.data(), length);
        // A system without the EUC-JP tables still shows the page somehow.
        if (text.empty() && length > 0 && !IsValidCodePage(kEucJpCodePage))
            text = MultiByteToText(CP_ACP, bytes.data(), length);
        return text;
    }
    case PageCharset::ShiftJis:
        return MultiByteToText(kShiftJisCodePage, bytes.data(), length);
    default:
        return MultiByteToText(CP_ACP, bytes.data(), length);
    }
}

std::wstring BstrToWide(BSTR bstr) {
    if (!bstr) return {};
    std::wstring text(bstr, SysStringLen(bstr));
    const size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos) text.resize(zero);
    return text;
}
