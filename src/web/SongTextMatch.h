#pragma once
// Whether two song texts (titles, artists) name the same thing as a reader
// sees it.
#include <string>

// White space trimmed and each run of it read as one space; letter case and
// full or half width ignored (CompareStringEx, NORM_IGNORECASE |
// NORM_IGNOREWIDTH).
bool SameSongText(const std::wstring& a, const std::wstring& b);
