#include "processing/RecordingFiles.h"

#include <windows.h>

#include "base/FileFinder.h"
#include "base/PathHelpers.h"
#include "settings/Settings.h"

std::wstring FindNewestRecording(const Settings& station, const std::wstring& lastEndDirectory) {
    if (lastEndDirectory.empty()) return std::wstring();
    return FindNewestRecording(station.GetString(L"PlayDirectory"));
}

std::wstring FindNewestRecording(const std::wstring& playFolder) { return FindNewestRecordingWritten(playFolder).name; }

NewestRecording FindNewestRecordingWritten(const std::wstring& playFolder) {
    const std::wstring folder = AddBackslash(playFolder);
    FileFinder finder;
    NewestRecording result;
    FILETIME& best = result.written;
    for (std::wstring name = finder.First(folder + L"*.mp3"); !name.empty(); name = finder.Next()) {
        // The enumeration's own record carries the attributes; asking the
        // file system again per entry would double the cost of a large folder.
        if (finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const FILETIME& written = finder.record().ftLastWriteTime;
        if (::CompareFileTime(&best, &written) < 0) {
            best = written;
            result.name = name;
        }
    }
    return result;
}
