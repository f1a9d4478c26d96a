#include "web/PageCharset.h"

#include <cstring>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `text` at `pos` starts with the lower-case `word`, in any case.
bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
    if (pos > text.size() || text.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(text[pos + i]) != word[i]) return false;
    return true;
}

size_t SkipSpaces(std::string_view text, size_t pos) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    return pos;
}

// The encoding named right after "charset" at `pos`: spaces, '=', spaces,
// an optional quote, spaces, then the label.
PageCharset CharsetAfterKeyword(std::string_view page, size_t pos) {
    pos = SkipSpaces(page, pos);
    if (pos >= page.size() || page[pos] != '=') return PageCharset::Unknown;
    pos = SkipSpaces(page, pos + 1);
    if (pos < page.size() && (page[pos] == '"' || page[pos] == '\'')) pos = SkipSpaces(page, pos + 1);
    if (StartsWithNoCase(page, pos, "utf-8") || StartsWithNoCase(page, pos, "utf8"))
        return PageCharset::Utf8;
    if (StartsWithNoCase(page, pos, "euc-jp") || StartsWithNoCase(page, pos, "x-euc-jp"))
        return PageCharset::EucJp;
    return PageCharset::Unknown;
}

}  // namespace

PageCharset CharsetFromLabel(std::string_view label) {
    std::string lower;
    for (char c : label)
        if (!IsSpace(c) && c != '"' && c != '\'') lower += Lower(c);
    if (lower == "utf-8" || lower == "utf8") return PageCharset::Utf8;
    if (lower == "euc-jp" || lower == "x-euc-jp") return PageCharset::EucJp;
    if (lower == "shift_jis" || lower == "shift-jis" || lower == "sjis" || lower == "x-sjis" ||
        lower == "windows-31j" || lower == "cp932" || lower == "ms_kanji" || lower == "csshiftjis")
        return PageCharset::ShiftJis;
    return PageCharset::Unknown;
}

// A hand-written scan rather than a regular expression: it runs on every page
// and must stay cheap next to the conversion itself.
PageCharset DeclaredCharset(std::string_view page) {
    bool eucJp = false;
    const char* data = page.data();
    size_t pos = 0;
    while (pos < page.size()) {
        const void* found = std::memchr(data + pos, '<', page.size() - pos);
        if (!found) break;
        const size_t open = static_cast<const char*>(found) - data;
        pos = open + 1;
        size_t p = SkipSpaces(page, pos);
        if (!StartsWithNoCase(page, p, "meta")) continue;
        p += 4;
        size_t close = page.find('>', p);
        if (close == std::string_view::npos) close = page.size();
        for (size_t k = p; k < close; ++k) {
            if (Lower(page[k]) != 'c' || !StartsWithNoCase(page, k, "charset")) continue;
            const PageCharset charset = CharsetAfterKeyword(page, k + 7);
            if (charset == PageCharset::Utf8) return charset;  // UTF-8 wins wherever it stands
            if (charset == PageCharset::EucJp) eucJp = true;
        }
    }
    return eucJp ? PageCharset::EucJp : PageCharset::Unknown;
}

std::string CharsetOfContentType(std::string_view contentType) {
    size_t pos = 0;
    while ((pos = contentType.find(';', pos)) != std::string_view::npos) {
        size_t p = SkipSpaces(contentType, pos + 1);
        pos = p;
        if (!StartsWithNoCase(contentType, p, "charset")) continue;
        p = SkipSpaces(contentType, p + 7);
        if (p >= contentType.size() || contentType[p] != '=') continue;
        p = SkipSpaces(contentType, p + 1);
        size_t end = p;
        if (p < contentType.size() && (contentType[p] == '"' || contentType[p] == '\'')) {
            const char quote = contentType[p++];
            end = contentType.find(quote, p);
            if (end == std::string_view::npos) end = contentType.size();
        } else {
            while (end < contentType.size() && contentType[end] != ';' && !IsSpace(contentType[end]))
                ++end;
        }
        return std::string(contentType.substr(p, end - p));
    }
    return {};
}
