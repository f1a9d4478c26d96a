#include "base/LocalTime.h"

#include <cwchar>

bool ToLocalTime(std::int64_t unixSeconds, SYSTEMTIME& local) {
    // Seconds since 1970 to the 100-ns ticks since 1601 of a FILETIME.
    const unsigned long long ticks = (static_cast<unsigned long long>(unixSeconds) + 11644473600ull) * 10000000ull;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME system{};
    return ::FileTimeToSystemTime(&utc, &system) && ::SystemTimeToTzSpecificLocalTime(nullptr, &system, &local);
}

std::wstring LocalTimeText(std::int64_t unixSeconds, bool seconds) {
    SYSTEMTIME local{};
    if (!unixSeconds || !ToLocalTime(unixSeconds, local)) return std::wstring();
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
                  local.wMinute, local.wSecond);
    if (!seconds) text[16] = L'\0';
    return text;
}
