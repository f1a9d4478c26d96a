#include "processing/RecordingFiles.h"

#include <windows.h>

#include "base/FileFinder.h"
#include "base/PathHelpers.h"
#include "settings/Settings.h"

std::wstring FindNewestRecording(const Settings& station, const std::wstring& lastEndDirectory) {
    if (lastEndDirectory.empty()) return std::wstring();
    const std::wstring folder = AddBackslash(station.GetString(L"PlayDirectory"));
    FileFinder finder;
    FILETIME best{};
    std::wstring result;
    for (std::wstring name = finder.First(folder + L"*.mp3"); !name.empty(); name = finder.Next()) {
        // The enumeration's own record carries the attributes; asking the
        // file system again per entry would double the cost of a large folder.
        if (finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const FILETIME& written = finder.record().ftLastWriteTime;
        if (::CompareFileTime(&best, &written) < 0) {
            best = written;
            result = name;
        }
    }
    return result;
}

bool CreateDirectoryPath(const std::wstring& path) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\') ::CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
    return true;
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
