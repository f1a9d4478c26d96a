#include "web/PageCharset.h"

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

// Only the head of a page holds its own declaration (browsers look at the
// first 1 KiB); the window keeps the scan cheap whatever follows.
constexpr size_t kDeclarationWindow = 4096;

// A hand-written scan rather than a regular expression: it runs on every page
// and must stay cheap next to the conversion itself. Each tag is read up to
// its '>' and the scan goes on after it, so every byte is looked at once.
PageCharset DeclaredCharset(std::string_view page) {
    page = page.substr(0, kDeclarationWindow);
    bool eucJp = false;
    size_t pos = 0;
    while ((pos = page.find('<', pos)) != std::string_view::npos) {
        const size_t name = SkipSpaces(page, pos + 1);
        if (name < page.size() && page[name] == '<') {  // "<<meta": the second one opens the tag
            pos = name;
            continue;
        }
        size_t close = page.find('>', name);
        if (close == std::string_view::npos) close = page.size();
        if (StartsWithNoCase(page, name, "meta")) {
            for (size_t k = name + 4; k < close; ++k) {
                if (Lower(page[k]) != 'c' || !StartsWithNoCase(page, k, "charset")) continue;
                const PageCharset charset = CharsetAfterKeyword(page, k + 7);
                if (charset == PageCharset::Utf8) return charset;  // UTF-8 wins wherever it stands
                if (charset == PageCharset::EucJp) eucJp = true;
            }
        }
        pos = close;
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
