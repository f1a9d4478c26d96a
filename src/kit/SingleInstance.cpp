#include "kit/SingleInstance.h"

#include <cstdint>
#include <cwchar>

#include "base/FileIdentity.h"

namespace kit {

namespace {

// One name per program file, however it was started: by a short name, a
// mapped drive, a link or a share, it is the same file on the same volume.
// Only when the file cannot be asked (gone, a file system without indexes)
// does its path's text stand in: mutex names may not hold backslashes and
// are limited in length, so the upper-cased path is hashed (FNV-1a).
std::wstring InstanceName(const std::wstring& programPath) {
    FileIdentity identity;
    if (ReadFileIdentity(programPath, identity)) {
        wchar_t text[32];
        std::swprintf(text, 32, L"%08lx.%08lx%08lx", static_cast<unsigned long>(identity.volume),
                      static_cast<unsigned long>(identity.indexHigh), static_cast<unsigned long>(identity.indexLow));
        return std::wstring(L"Kestrel.Instance.File.") + text;
    }
    std::wstring upper = programPath;
    if (!upper.empty()) ::CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : upper) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t text[17];
    std::swprintf(text, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return std::wstring(L"Kestrel.Instance.") + text;
}

struct Search {
    const wchar_t* property;
    HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!::GetPropW(window, search->property)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

SingleInstance::SingleInstance(const std::wstring& programPath) : name_(InstanceName(programPath)) {
    // Once per machine: every user who starts this file shares the settings
    // and the journal beside it. Another user's copy holds a mutex that this
    // user may not open; being refused it means it is there.
    mutex_.Reset(::CreateMutexW(nullptr, FALSE, (L"Global\\" + name_).c_str()));
    const DWORD error = ::GetLastError();
    first_ = mutex_ ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

void SingleInstance::Publish(HWND window) const { ::SetPropW(window, name_.c_str(), reinterpret_cast<HANDLE>(1)); }

void SingleInstance::Withdraw(HWND window) const { ::RemovePropW(window, name_.c_str()); }

HWND SingleInstance::FindFirstWindow() const {
    Search search{name_.c_str(), nullptr};
    ::EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void BringToFront(HWND window, UINT show, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored = 0;
    // Bounded: a first copy that hangs must not hang the second.
    ::SendMessageTimeoutW(window, show, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &ignored);
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
}

}  // namespace kit
