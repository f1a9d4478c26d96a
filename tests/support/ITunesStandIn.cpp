#include "ITunesStandIn.h"

#include <tlhelp32.h>

#include <string>

#include "base/ScopedHandle.h"

namespace {

const wchar_t kClassKey[] = L"CLSID\\{DC0C2640-1415-4644-875C-6F4D769839BA}";
const wchar_t kRunningMutex[] = L"KestrelITunesStandInRunning";

bool SetDefaultValue(const std::wstring& subKey, const std::wstring& value) {
    HKEY created = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const kit::UniqueRegistryKey key(created);
    return ::RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

ITunesStandInRegistration::ITunesStandInRegistration(const std::wstring& libraryPath,
                                                     bool readOnly) {
    std::wstring command = Quoted(ServerPath()) + L" /library " + Quoted(libraryPath);
    if (readOnly) command += L" /readonly";
    registered_ = SetDefaultValue(kClassKey, L"iTunes Application (stand-in)") &&
                  SetDefaultValue(std::wstring(kClassKey) + L"\\LocalServer32", command);
}

ITunesStandInRegistration::~ITunesStandInRegistration() {
    WaitForServerExit();
    Unregister();
}

std::wstring ITunesStandInRegistration::ServerPath() {
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableW(L"KESTREL_ITUNES_STANDIN", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return std::wstring(buffer, length);
    length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    path.erase(path.find_last_of(L'\\') + 1);  // the folder of the test or benchmark program
    return path + L"..\\tools\\itunes-standin\\itunes-standin.exe";
}

void ITunesStandInRegistration::Unregister() { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey); }

bool ITunesStandInRegistration::WaitForServerExit(DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        kit::UniqueHandle running(::OpenMutexW(SYNCHRONIZE, FALSE, kRunningMutex));
        if (!running) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(20);
    }
}

void ITunesStandInRegistration::EndRunningServers() {
    kit::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, L"itunes-standin.exe") != 0) continue;
        kit::UniqueHandle server(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!server) continue;
        ::TerminateProcess(server.Get(), 0);
        ::WaitForSingleObject(server.Get(), 5000);
    }
}
