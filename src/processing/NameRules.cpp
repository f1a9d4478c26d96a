// The ignore list's rule on file names, on regular expressions.
#include <windows.h>

#include <boost/regex.hpp>

#include "base/PathHelpers.h"
#include "processing/RecordingFiles.h"
#include "settings/Settings.h"

namespace {

struct Replacement {
    const wchar_t* from;
    const wchar_t* to;
};

// Order matters: the backslash first, so the escapes added after it survive;
// "?" after ".", so the dot it inserts stays a wildcard.
const Replacement kWildcardTable[] = {
    {L"\\", L"\\\\"}, {L"^", L"\\^"}, {L"$", L"\\$"}, {L".", L"\\."}, {L"+", L"\\+"},
    {L"{", L"\\{"},   {L"}", L"\\}"}, {L"[", L"\\["}, {L"]", L"\\]"}, {L"(", L"\\("},
    {L")", L"\\)"},   {L"|", L"\\|"}, {L"?", L"."},   {L"*", L".*"},
};

bool MatchesWildcard(const std::wstring& wildcard, const std::wstring& name) {
    try {
        const boost::wregex expression(WildcardToRegex(wildcard), boost::regex::perl | boost::regex::icase);
        return boost::regex_match(name, expression);
    } catch (const std::exception&) {
        // A pattern too complex to finish matching counts as no match.
        return false;
    }
}

}  // namespace

std::wstring WildcardToRegex(const std::wstring& wildcard) {
    std::wstring expression = wildcard;
    for (const auto& row : kWildcardTable) expression = ReplaceAll(expression, row.from, row.to);
    return expression;
}

namespace {
// The index of an ignore-list value name ("0", "1", ... without leading
// zeros), or -1 for any other name.
std::int64_t EntryIndex(const std::wstring& key) {
    if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == L'0')) return -1;
    std::int64_t index = 0;
    for (wchar_t c : key) {
        if (c < L'0' || c > L'9') return -1;
        index = index * 10 + (c - L'0');
    }
    return index;
}
}  // namespace

bool IsIgnoredFileName(const Settings& settings, const std::wstring& name) {
    const std::int32_t count = settings.GetInt(L"IgnoreCount");
    if (count <= 0) return false;
    const Settings* list = settings.FindGroup(L"IgnoreList");
    // Walk the stored entries rather than 0..count-1: a damaged count in the
    // millions must not stall the tick. Entries that are not stored read as
    // empty, and an empty pattern matches only an empty name.
    std::int64_t stored = 0;
    if (list) {
        for (const auto& [key, value] : list->values) {
            const std::int64_t index = EntryIndex(key);
            if (index < 0 || index >= count) continue;
            ++stored;
            if (MatchesWildcard(list->GetString(key), name)) return true;
        }
    }
    return name.empty() && stored < count;
}

bool IsIgnoredName(const std::vector<std::wstring>& wildcards, const std::wstring& name) {
    for (const std::wstring& wildcard : wildcards)
        if (MatchesWildcard(wildcard, name)) return true;
    return false;
}
