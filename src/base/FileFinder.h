#pragma once
// One directory enumeration at a time, with the find record of the last entry.
#include <windows.h>

#include <string>

#include "base/ScopedHandle.h"

class FileFinder {
public:
    FileFinder() = default;
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // Starts a new enumeration (closing any open one); the first entry's
    // name, or empty when nothing matches or the folder does not exist.
    std::wstring First(const std::wstring& pattern);
    // The next entry's name, or empty at the end.
    std::wstring Next();
    void Close() { handle_.Reset(); }

    const WIN32_FIND_DATAW& record() const { return record_; }

private:
    kit::UniqueFindHandle handle_;
    WIN32_FIND_DATAW record_{};
};
