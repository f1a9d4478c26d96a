#include "itunes/ServerIdentity.h"

#include <windows.h>
#include <objbase.h>

#include <vector>

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
    const std::wstring key = std::wstring(L"CLSID\\") + classId + L"\\LocalServer32";
    const wchar_t* kLocalServerKey = key.c_str();
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, kLocalServerKey, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes < sizeof(wchar_t) || bytes > 64 * 1024) {
        return {};
    }
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CLASSES_ROOT, kLocalServerKey, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    const std::wstring program = ProgramOf(value.data());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (program.empty() || !::GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &data)) return {};
    return program + L'|' + std::to_wstring(data.nFileSizeHigh) + L':' + std::to_wstring(data.nFileSizeLow) + L'|' +
           std::to_wstring(data.ftLastWriteTime.dwHighDateTime) + L':' +
           std::to_wstring(data.ftLastWriteTime.dwLowDateTime);
}
