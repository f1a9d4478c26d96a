#include "web/JsonEscapes.h"

namespace {

// The code unit of the four hex digits at `pos`, or -1.
long HexUnit(const std::wstring& text, size_t pos) {
    if (text.size() < pos + 4) return -1;
    long unit = 0;
    for (size_t i = pos; i < pos + 4; ++i) {
        const wchar_t c = text[i];
        int digit;
        if (c >= L'0' && c <= L'9') digit = c - L'0';
        else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
        else return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

bool IsHighSurrogate(long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

wchar_t SimpleEscape(wchar_t c) {
    switch (c) {
    case L'"': return L'"';
    case L'\\': return L'\\';
    case L'/': return L'/';
    case L'b': return L'\b';
    case L'f': return L'\f';
    case L'n': return L'\n';
    case L'r': return L'\r';
    case L't': return L'\t';
    default: return 0;
    }
}

}  // namespace

std::wstring UnescapeJson(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t slash = text.find(L'\\', i);
        if (slash == std::wstring::npos || slash + 1 >= text.size()) {
            out.append(text, i, std::wstring::npos);
            break;
        }
        out.append(text, i, slash - i);
        i = slash;
        if (const wchar_t simple = SimpleEscape(text[i + 1])) {
            out += simple;
            i += 2;
            continue;
        }
        const long unit = text[i + 1] == L'u' ? HexUnit(text, i + 2) : -1;
        // "\u0000" stays as written: a zero would cut the field short downstream.
        if (unit <= 0) {
            out += text[i++];  // not an escape: the backslash stays
            continue;
        }
        i += 6;
        if (IsHighSurrogate(unit)) {
            const long low = text.compare(i, 2, L"\\u") == 0 ? HexUnit(text, i + 2) : -1;
            if (IsLowSurrogate(low)) {
                out += static_cast<wchar_t>(unit);
                out += static_cast<wchar_t>(low);
                i += 6;
            } else {
                out += L'\uFFFD';
            }
        } else {
            out += IsLowSurrogate(unit) ? L'\uFFFD' : static_cast<wchar_t>(unit);
        }
    }
    return out;
}
