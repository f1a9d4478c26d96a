#pragma once
// The shell's folder picker, opened on a start folder that it selects,
// expands and scrolls into view.
#include <windows.h>

#include <shlobj.h>

#include <string>

// What the picker is opened with: no root, no title, file-system folders
// only, the new dialog style; `startFolder` and `displayName` (MAX_PATH
// characters) must outlive the call.
BROWSEINFOW FolderPickerInfo(HWND owner, const std::wstring& startFolder, wchar_t* displayName);

// The picker's callback: on BFFM_INITIALIZED selects and expands the folder
// whose path `data` points to and scrolls its tree item into view.
int CALLBACK FolderPickerCallback(HWND picker, UINT message, LPARAM parameter, LPARAM data);

// Runs the picker modally over `owner`; true with the chosen file-system
// path in `chosen`, false (and `chosen` untouched) on cancel.
bool PickFolder(HWND owner, const std::wstring& startFolder, std::wstring& chosen);
