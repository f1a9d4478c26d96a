// The only place that compiles Boost.Regex: it costs seconds per file.
#include "web/SongExtraction.h"

#include <boost/regex.hpp>

#include "web/Entities.h"

namespace {

// The library's Perl format syntax: "$1", "\1", "\n", "\u"...; "\0" is an
// octal escape there, not the whole match.
std::wstring FormatMatch(const boost::wsmatch& match, const std::wstring& format,
                         const FieldDecoder& decode = FieldDecoder()) {
    if (format.empty()) return {};
    const std::wstring text = match.format(format, boost::format_default);
    return decode ? decode(text) : DecodeEntities(text);
}

}  // namespace

std::wstring ExtractField(const std::wstring& page, const std::wstring& pattern,
                          const std::wstring& format) {
    const boost::wregex expression(pattern, boost::regex_constants::perl);
    // Equivalent to a replace with format_no_copy | format_first_only.
    boost::wsmatch match;
    if (!boost::regex_search(page, match, expression)) return {};
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
    boost::wsmatch match;
    try {
        const boost::wregex expression(pattern, boost::regex_constants::perl);
        if (!boost::regex_search(page, match, expression)) return fields;
        if (matched) *matched = true;
    } catch (const std::exception&) {
        return fields;  // invalid pattern, or the matcher gave up on the page
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
