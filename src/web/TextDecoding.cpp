#include "web/TextDecoding.h"

#include "web/PageCharset.h"

namespace {

// EUC-JP, half-width katakana included. (51932 would be the other EUC-JP,
// but it has no MultiByteToWideChar support.)
constexpr UINT kEucJpCodePage = 20932;
constexpr UINT kShiftJisCodePage = 932;

}  // namespace

std::wstring DecodePageBytes(const std::string& bytes, const std::string& headerCharset) {
    PageCharset charset = CharsetFromLabel(headerCharset);
    if (charset == PageCharset::Unknown) charset = DeclaredCharset(bytes);
    switch (charset) {
    case PageCharset::Utf8:
        // Straight to UTF-16: a detour through the ANSI code page would lose
        // everything outside Shift_JIS.
        return ToWide(bytes, CP_UTF8);
    case PageCharset::EucJp: {
        std::wstring text = ToWide(bytes, kEucJpCodePage);
        // A system without the EUC-JP tables still shows the page somehow.
        if (text.empty() && !bytes.empty() && bytes[0] != '\0' && !IsValidCodePage(kEucJpCodePage))
            text = ToWide(bytes, CP_ACP);
        return text;
    }
    case PageCharset::ShiftJis:
        return ToWide(bytes, kShiftJisCodePage);
    default:
        return ToWide(bytes, CP_ACP);
    }
}
