// The only place that compiles Boost.Regex: it costs seconds per file.
#include "web/SongExtraction.h"

#include <boost/iterator/iterator_adaptor.hpp>
#include <boost/regex.hpp>

#include <algorithm>

#include "base/DiagnosticLog.h"
#include "web/Entities.h"

namespace {

// A hostile page or pattern must not hold the caller for long.
constexpr size_t kSearchedLength = size_t(2) << 20;
// Longer than any name a song list shows.
constexpr size_t kFieldLength = 1024;

// Boost.Regex gives up on a search after a number of steps. For random-access
// text it grows that number with the text's length times the pattern's length
// squared, seconds of work on a long page; through a bidirectional view the
// cap set in the build (BOOST_REGEX_MAX_STATE_COUNT) is the whole allowance.
class PageIterator
    : public boost::iterator_adaptor<PageIterator, const wchar_t*, boost::use_default,
                                     boost::bidirectional_traversal_tag> {
public:
    PageIterator() = default;
    explicit PageIterator(const wchar_t* position) : iterator_adaptor(position) {}
};
using PageMatch = boost::match_results<PageIterator>;

// Searches the head of the page only; throws as the library does.
bool SearchPage(const std::wstring& page, const boost::wregex& expression, PageMatch& match) {
    const wchar_t* const begin = page.data();
    const PageIterator end(begin + std::min(page.size(), kSearchedLength));
    return boost::regex_search(PageIterator(begin), end, match, expression);
}

// The library's Perl format syntax: "$1", "\1", "\n", "\u"...; "\0" is an
// octal escape there, not the whole match. The field is cut before its
// references are decoded, which keeps the decoding short too.
std::wstring FormatMatch(const PageMatch& match, const std::wstring& format,
                         const FieldDecoder& decode = FieldDecoder()) {
    if (format.empty()) return {};
    std::wstring field = match.format(format, boost::format_default);
    if (field.size() > kFieldLength) {
        field.resize(kFieldLength);
        if (field.back() >= 0xD800 && field.back() <= 0xDBFF) field.pop_back();  // half a pair
    }
    return decode ? decode(field) : DecodeEntities(field);
}

}  // namespace

std::wstring ExtractField(const std::wstring& page, const std::wstring& pattern,
                          const std::wstring& format) {
    const boost::wregex expression(pattern, boost::regex_constants::perl);
    // Equivalent to a replace with format_no_copy | format_first_only.
    PageMatch match;
    if (!SearchPage(page, expression, match)) return {};
    return FormatMatch(match, format);
}

std::array<std::wstring, 4> ExtractSongFields(const std::wstring& page, const std::wstring& pattern,
                                              const SongTemplates& templates, const FieldDecoder& decode,
                                              bool* matched) {
    std::array<std::wstring, 4> fields;
    if (matched) *matched = false;
    bool anyTemplate = false;
    for (const std::wstring& format : templates) anyTemplate |= !format.empty();
    if (!anyTemplate) return fields;
    PageMatch match;
    try {
        const boost::wregex expression(pattern, boost::regex_constants::perl);
        if (!SearchPage(page, expression, match)) return fields;
        if (matched) *matched = true;
    } catch (const std::exception& error) {
        // An invalid pattern, or the matcher gave up on the page.
        LogFailure("正規表現を使えない", std::string_view(error.what()));
        return fields;
    }
    for (size_t i = 0; i < templates.size(); ++i) {
        try {
            fields[i] = FormatMatch(match, templates[i], decode);
        } catch (const std::exception&) {
            fields[i].clear();
        }
    }
    return fields;
}
