#include "base/FileOperations.h"

#include <windows.h>
#include <shlwapi.h>

#include <boost/regex.hpp>

#include "base/FileFinder.h"
#include "base/PathHelpers.h"

bool CreateDirectoryPath(const std::wstring& path) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\') ::CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
    return true;
}

std::wstring MakeUniquePath(const std::wstring& path) {
    static const boost::wregex kNumbered(L"^(.+) \\(\\d+\\)$", boost::regex::perl);
    const std::wstring extension = ExtensionOf(path);
    const std::wstring base = boost::regex_replace(RemoveExtension(path), kNumbered, L"$1");
    for (int n = 1; n <= 9999; ++n) {
        const std::wstring candidate = base + L" (" + std::to_wstring(n) + L")" + extension;
        if (!::PathFileExistsW(candidate.c_str())) return candidate;
    }
    return path;
}

bool MoveFileForce(const std::wstring& destination, const std::wstring& source) {
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::MoveFileW(source.c_str(), destination.c_str()) != FALSE;
}

bool DeleteFileForce(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) != FALSE;
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
