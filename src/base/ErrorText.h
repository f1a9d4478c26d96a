#pragma once
// Why a file operation failed, in words a user can act on.
#include <windows.h>

#include <string>

// Japanese for the errors a user meets with settings and folders (no right
// to write, disk full, file in use, folder missing); the system's own text
// for any other.
std::wstring ErrorReason(DWORD error);
