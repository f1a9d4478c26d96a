#include "itunes/ServerIdentity.h"

#include <windows.h>
#include <objbase.h>

#include "base/RegistryText.h"
#include "itunes/ITunesIds.h"

namespace {

// The program of a command line such as `"C:\...\iTunes.exe" /automation`.
std::wstring ProgramOf(const std::wstring& command) {
    if (!command.empty() && command.front() == L'"') {
        const size_t close = command.find(L'"', 1);
        return close == std::wstring::npos ? std::wstring() : command.substr(1, close - 1);
    }
    const size_t space = command.find(L' ');
    return command.substr(0, space);
}

}  // namespace

std::wstring ITunesServerIdentity() {
    wchar_t classId[64] = {};
    if (!::StringFromGUID2(kITunesAppClass, classId, 64)) return {};
    std::wstring command;
    DWORD type = 0;
    if (!ReadRegistryText(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + classId + L"\\LocalServer32", nullptr,
                          command, &type) ||
        type != REG_SZ)
        return {};
    const std::wstring program = ProgramOf(command);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (program.empty() || !::GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &data)) return {};
    return program + L'|' + std::to_wstring(data.nFileSizeHigh) + L':' + std::to_wstring(data.nFileSizeLow) + L'|' +
           std::to_wstring(data.ftLastWriteTime.dwHighDateTime) + L':' +
           std::to_wstring(data.ftLastWriteTime.dwLowDateTime);
}
