#include "itunes/CheckType.h"

#include <windows.h>

#include "base/SongText.h"

namespace {

// Case and width do not count, as for SameSongText.
bool ContainsSongText(const std::wstring& value, const std::wstring& wanted) {
    const std::wstring haystack = FoldSongText(value);
    const std::wstring needle = FoldSongText(wanted);
    if (needle.empty()) return true;
    if (haystack.empty()) return false;
    return ::FindNLSStringEx(LOCALE_NAME_INVARIANT, FIND_FROMSTART | NORM_IGNORECASE | NORM_IGNOREWIDTH,
                             haystack.c_str(), static_cast<int>(haystack.size()), needle.c_str(),
                             static_cast<int>(needle.size()), nullptr, nullptr, nullptr, 0) >= 0;
}

}  // namespace

bool PassesCheck(CheckType check, const std::wstring& value, const std::wstring& wanted) {
    switch (check) {
        case CheckType::Ignore: return true;
        // Case, width and surrounding spaces all count.
        case CheckType::Exact: return value == wanted;
        case CheckType::Partial: break;
    }
    return ContainsSongText(value, wanted);
}
