#include "base/FileOperations.h"

#include <windows.h>

#include <boost/regex.hpp>

#include "base/FileFinder.h"
#include "base/PathHelpers.h"

// Every call below takes the extended-length form: output and end folders
// may lie deeper than MAX_PATH.

bool PathExists(const std::wstring& path) {
    return !path.empty() && ::GetFileAttributesW(ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateDirectoryPath(const std::wstring& path) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\') ::CreateDirectoryW(ExtendedLengthPath(path.substr(0, i)).c_str(), nullptr);
    }
    ::CreateDirectoryW(ExtendedLengthPath(path).c_str(), nullptr);
    return true;
}

std::wstring MakeUniquePath(const std::wstring& path) {
    static const boost::wregex kNumbered(L"^(.+) \\(\\d+\\)$", boost::regex::perl);
    const std::wstring extension = ExtensionOf(path);
    const std::wstring base = boost::regex_replace(RemoveExtension(path), kNumbered, L"$1");
    for (int n = 1; n <= 9999; ++n) {
        const std::wstring candidate = base + L" (" + std::to_wstring(n) + L")" + extension;
        if (!PathExists(candidate)) return candidate;
    }
    return path;
}

bool MoveFileForce(const std::wstring& destination, const std::wstring& source) {
    const std::wstring from = ExtendedLengthPath(source);
    ::SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::MoveFileW(from.c_str(), ExtendedLengthPath(destination).c_str()) != FALSE;
}

bool DeleteFileForce(const std::wstring& path) {
    const std::wstring full = ExtendedLengthPath(path);
    ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(full.c_str()) != FALSE;
}

void DeleteFilesInFolder(const std::wstring& folder) {
    // An empty name would turn into "\" and empty the drive's root.
    if (folder.empty()) return;
    const std::wstring prefix = AddBackslash(folder);
    FileFinder finder;
    for (std::wstring name = finder.First(prefix + L"*.*"); !name.empty(); name = finder.Next()) {
        if (finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        DeleteFileForce(prefix + name);
    }
}
