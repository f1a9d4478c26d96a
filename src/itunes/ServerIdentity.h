#pragma once
// Which iTunes program a connection reaches: its registered executable with
// that file's size and time. The names of its automation members resolve to
// the same numbers for as long as this stays the same; an update of iTunes
// changes it.
#include <string>

// Empty when it cannot be told (nothing registered, the file unreadable).
std::wstring ITunesServerIdentity();
