#include "base/SongText.h"

#include <windows.h>

#include <cwctype>

namespace {

bool IsSpace(wchar_t c) { return std::iswspace(c) || c == 0x3000 || c == 0x00A0; }

}  // namespace

std::wstring FoldSongText(const std::wstring& text) {
    std::wstring folded;
    folded.reserve(text.size());
    bool pendingSpace = false;
    for (wchar_t c : text) {
        if (IsSpace(c)) {
            pendingSpace = !folded.empty();
            continue;
        }
        if (pendingSpace) folded.push_back(L' ');
        pendingSpace = false;
        folded.push_back(c);
    }
    return folded;
}

bool SameSongText(const std::wstring& a, const std::wstring& b) {
    const std::wstring left = FoldSongText(a);
    const std::wstring right = FoldSongText(b);
    if (left.empty() || right.empty()) return left.empty() && right.empty();
    return ::CompareStringEx(LOCALE_NAME_INVARIANT, NORM_IGNORECASE | NORM_IGNOREWIDTH,
                             left.c_str(), static_cast<int>(left.size()), right.c_str(),
                             static_cast<int>(right.size()), nullptr, nullptr,
                             0) == CSTR_EQUAL;
}
