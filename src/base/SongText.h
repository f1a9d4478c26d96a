#pragma once
// Whether two song texts (titles, artists, albums) name the same thing, the
// way a listener reads them: case, full/half width, surrounding white space
// and runs of white space inside do not count. Kept free of any library so
// that every layer that compares songs compares them alike.
#include <string>

// Trimmed, with every run of white space (ideographic space included) folded
// into one ordinary space.
std::wstring FoldSongText(const std::wstring& text);

// CompareStringEx with NORM_IGNORECASE | NORM_IGNOREWIDTH on the folded texts.
bool SameSongText(const std::wstring& a, const std::wstring& b);
