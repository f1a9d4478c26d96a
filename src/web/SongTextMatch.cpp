#include "web/SongTextMatch.h"

#include <windows.h>

namespace {

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\u00A0' || c == L'\u3000';
}

std::wstring FoldSpaces(const std::wstring& text) {
    std::wstring folded;
    bool pendingSpace = false;
    for (wchar_t c : text) {
        if (IsSpace(c)) {
            pendingSpace = !folded.empty();
            continue;
        }
        if (pendingSpace) folded += L' ';
        pendingSpace = false;
        folded += c;
    }
    return folded;
}

}  // namespace

bool SameSongText(const std::wstring& a, const std::wstring& b) {
    const std::wstring left = FoldSpaces(a);
    const std::wstring right = FoldSpaces(b);
    if (left.size() > 0x7FFFFFFF || right.size() > 0x7FFFFFFF) return false;
    return CompareStringEx(LOCALE_NAME_INVARIANT, NORM_IGNORECASE | NORM_IGNOREWIDTH, left.c_str(),
                           static_cast<int>(left.size()), right.c_str(), static_cast<int>(right.size()), nullptr,
                           nullptr, 0) == CSTR_EQUAL;
}
