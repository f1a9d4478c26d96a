#pragma once
// The current user's list of programs that Windows starts at sign-in
// (HKCU\Software\Microsoft\Windows\CurrentVersion\Run), read each time, never
// remembered: the user or another tool may change it behind our back.
#include <string>

namespace kit {

extern const wchar_t kRunKeyPath[];

// True when the Run key holds a value `name`, whatever its command.
bool StartsWithWindows(const std::wstring& name);
// Writes `name` with `command` (on) or removes it (off); true when the key
// now says what was asked.
bool SetStartWithWindows(const std::wstring& name, const std::wstring& command, bool on);

}  // namespace kit
