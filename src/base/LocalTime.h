#pragma once
// Times kept as seconds since 1970 (UTC), as the user reads them: in the
// computer's own time zone.
#include <windows.h>

#include <cstdint>
#include <string>

// False when the time cannot be shown (far out of range).
bool ToLocalTime(std::int64_t unixSeconds, SYSTEMTIME& local);
// "yyyy/mm/dd hh:mm:ss" (without seconds: "yyyy/mm/dd hh:mm"); empty for 0.
std::wstring LocalTimeText(std::int64_t unixSeconds, bool seconds = true);
