#include "base/RegistryText.h"

#include <vector>

bool ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value, DWORD* type) {
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD kind = 0, size = 0;
    if (::RegGetValueW(root, path.c_str(), name, flags, &kind, nullptr, &size) != ERROR_SUCCESS) return false;
    // The value may grow between the two calls; one more try covers that.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS status = ::RegGetValueW(root, path.c_str(), name, flags, &kind, text.data(), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return false;
        value = text.data();
        if (type) *type = kind;
        return true;
    }
    return false;
}
