#include "itunes/RecycleBinSettings.h"

#include <windows.h>
#include <shellapi.h>

#include "base/FileIdentity.h"

namespace {

const wchar_t kVolumesKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\";
const wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// Windows' bin, unless set otherwise: a tenth of the first 40 GB the user
// may use of the drive and a twentieth of the rest (since Vista).
constexpr unsigned long long kDefaultShareLimit = 40ull << 30;
unsigned long long DefaultCapacity(unsigned long long driveBytes) {
    if (driveBytes <= kDefaultShareLimit) return driveBytes / 10;
    return kDefaultShareLimit / 10 + (driveBytes - kDefaultShareLimit) / 20;
}

bool ReadDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return ::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

bool IsSet(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0;
    return ReadDword(root, key, name, value) && value != 0;
}

// The root of the drive that holds `path` ("C:\", a mounted folder).
std::wstring VolumeRootOf(const std::wstring& path) {
    const std::wstring full = FullPathOf(path);
    wchar_t root[MAX_PATH] = {};
    if (full.empty() || !::GetVolumePathNameW(full.c_str(), root, MAX_PATH)) return {};
    return root;
}

std::wstring VolumeKeyOfRoot(const std::wstring& root) {
    // "\\?\Volume{GUID}\": the key is named by the braced GUID.
    wchar_t volume[64] = {};
    if (root.empty() || !::GetVolumeNameForVolumeMountPointW(root.c_str(), volume, 64)) return {};
    const std::wstring name = volume;
    const size_t open = name.find(L'{');
    const size_t close = name.find(L'}', open);
    if (open == std::wstring::npos || close == std::wstring::npos) return {};
    return kVolumesKey + name.substr(open, close - open + 1);
}

}  // namespace

RecycleVerdict JudgeRecycleBin(const RecycleBinSettings& bin, unsigned long long fileBytes) {
    if (!bin.available) return RecycleVerdict::NoBin;
    if (bin.deletesAtOnce) return RecycleVerdict::DeletesAtOnce;
    const unsigned long long capacity = bin.maxBytes ? *bin.maxBytes : DefaultCapacity(bin.driveBytes);
    return fileBytes > capacity ? RecycleVerdict::TooLarge : RecycleVerdict::Keeps;
}

RecycleVerdict JudgeRecycleBin(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    // A size that cannot be read counts as too large: nothing is risked on it.
    const unsigned long long bytes =
        ::GetFileAttributesExW(FullPathOf(path).c_str(), GetFileExInfoStandard, &data)
            ? (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
            : ~0ull;
    return JudgeRecycleBin(ReadRecycleBinSettings(path), bytes);
}

std::wstring RecycleVerdictText(RecycleVerdict verdict) {
    switch (verdict) {
    case RecycleVerdict::Keeps: break;
    case RecycleVerdict::NoBin: return L"ごみ箱を使えないため";
    case RecycleVerdict::DeletesAtOnce: return L"このドライブはごみ箱に移さずに完全に削除する設定のため";
    case RecycleVerdict::TooLarge: return L"ファイルがごみ箱の最大サイズより大きいため";
    }
    return {};
}

RecycleBinSettings ReadRecycleBinSettings(const std::wstring& path) {
    RecycleBinSettings bin;
    const std::wstring root = VolumeRootOf(path);
    if (root.empty()) return bin;
    SHQUERYRBINFO contents{};
    contents.cbSize = sizeof contents;
    bin.available = SUCCEEDED(::SHQueryRecycleBinW(root.c_str(), &contents));
    bin.deletesAtOnce = IsSet(HKEY_CURRENT_USER, kPolicyKey, L"NoRecycleFiles") ||
                        IsSet(HKEY_LOCAL_MACHINE, kPolicyKey, L"NoRecycleFiles");
    const std::wstring key = VolumeKeyOfRoot(root);
    if (!key.empty()) {
        bin.deletesAtOnce = bin.deletesAtOnce || IsSet(HKEY_CURRENT_USER, key, L"NukeOnDelete");
        DWORD megabytes = 0;
        if (ReadDword(HKEY_CURRENT_USER, key, L"MaxCapacity", megabytes)) {
            bin.maxBytes = static_cast<unsigned long long>(megabytes) << 20;
        }
    }
    ULARGE_INTEGER userBytes{};
    if (::GetDiskFreeSpaceExW(root.c_str(), nullptr, &userBytes, nullptr)) bin.driveBytes = userBytes.QuadPart;
    return bin;
}

std::wstring RecycleBinVolumeKey(const std::wstring& path) { return VolumeKeyOfRoot(VolumeRootOf(path)); }
