#pragma once
// How one field of a new song is compared with the library's tracks.
#include <cstdint>
#include <string>

enum class CheckType { Partial = 0, Exact = 1, Ignore = 2 };

// Stored values other than 1 and 2 behave as Partial.
inline CheckType ToCheckType(std::int32_t stored) {
    if (stored == 1) return CheckType::Exact;
    if (stored == 2) return CheckType::Ignore;
    return CheckType::Partial;
}

// Whether a track's field `value` passes the test against the new song's
// `wanted`: Partial when it holds the text (the library's search only
// matches word by word, in any order), Exact when equal.
bool PassesCheck(CheckType check, const std::wstring& value, const std::wstring& wanted);
