#pragma once
// The ground the end-to-end tests stand on: where the build put the program
// and its helpers, a fresh folder per test, and the folders of one station.
#include <windows.h>

#include <string>

#include "support/TempFolder.h"

namespace system_test {

// The build folder as Windows sees it.
std::wstring BuildFolder();
std::wstring ProgramPath();         // bin\Kestrel.exe
std::wstring SettingsWriterPath();  // tools\settings-writer\settings-writer.exe
// Where screenshots and other artefacts of a run are kept (created).
std::wstring ArtefactFolder();

// Runs a console program, waits for it and returns its exit code (or -1).
int RunProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs = 60000);

bool WriteUtf8(const std::wstring& path, const std::string& text);
std::string Utf8(const std::wstring& text);
// Equal paths, letter case aside.
bool SamePath(const std::wstring& a, const std::wstring& b);

struct StationFolders {
    explicit StationFolders(const std::wstring& root);
    std::wstring play, end, output;
};

}  // namespace system_test
