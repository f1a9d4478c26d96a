#include "base/PathHelpers.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace {

// The shell functions work in place on a buffer of at least MAX_PATH units;
// leave room for what they may add.
std::vector<wchar_t> PathBuffer(const std::wstring& path, size_t extra = 0) {
    std::vector<wchar_t> buffer(std::max<size_t>(path.size() + extra + 2, MAX_PATH + 1), L'\0');
    std::copy(path.begin(), path.end(), buffer.begin());
    return buffer;
}

}  // namespace

std::wstring AddBackslash(const std::wstring& path) {
    auto buffer = PathBuffer(path, 1);
    if (path.size() + 2 > MAX_PATH) {
        // PathAddBackslashW refuses paths near MAX_PATH; do the same by hand.
        return (!path.empty() && path.back() == L'\\') ? path : path + L'\\';
    }
    ::PathAddBackslashW(buffer.data());
    return buffer.data();
}

std::wstring FileNameOf(const std::wstring& path) { return ::PathFindFileNameW(path.c_str()); }

std::wstring ExtensionOf(const std::wstring& path) { return ::PathFindExtensionW(path.c_str()); }

std::wstring RemoveExtension(const std::wstring& path) {
    auto buffer = PathBuffer(path);
    ::PathRemoveExtensionW(buffer.data());
    return buffer.data();
}

std::wstring RenameExtension(const std::wstring& path, const std::wstring& extension) {
    if (path.size() + extension.size() + 1 > MAX_PATH)
        return RemoveExtension(path) + extension;  // the shell call fails past MAX_PATH
    auto buffer = PathBuffer(path, extension.size());
    ::PathRenameExtensionW(buffer.data(), extension.c_str());
    return buffer.data();
}

std::wstring DirectoryOf(const std::wstring& path) {
    auto buffer = PathBuffer(path);
    ::PathRemoveFileSpecW(buffer.data());
    return buffer.data();
}

std::wstring ExtendedLengthPath(const std::wstring& path) {
    // Short paths stay as they are: the prefix turns off the name rules
    // (forward slashes, "..") that callers may rely on. The margin covers a
    // name the callee appends, such as a temporary one.
    if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'))
        return L"\\\\?\\" + ReplaceAll(path, L"/", L"\\");
    return path;
}

std::wstring ModulePath() {
    wchar_t buffer[1040] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, buffer, 1040);
    return std::wstring(buffer, length < 1040 ? length : 0);
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return text;
    std::wstring result;
    result.reserve(text.size());
    size_t start = 0;
    for (size_t found; (found = text.find(from, start)) != std::wstring::npos; start = found + from.size()) {
        result.append(text, start, found - start);
        result += to;
    }
    result.append(text, start, std::wstring::npos);
    return result;
}
