#pragma once
// Which file or folder a path names, whatever way it is written: "D:/Out",
// "d:\out\" and a mapped drive that leads to the same folder all give the
// same identity (volume serial number and file index).
#include <windows.h>

#include <string>
#include <vector>

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && indexHigh == other.indexHigh &&
               indexLow == other.indexLow;
    }
};

// False when the path names nothing that can be opened, or when the file
// system gives no file index to tell files apart by.
bool ReadFileIdentity(const std::wstring& path, FileIdentity& identity);

// The path made absolute, with backslashes; empty when it cannot be.
std::wstring FullPathOf(const std::wstring& path);

// The folder that holds the file or folder at `path` (made absolute first);
// empty for a root or an unusable path.
std::wstring ParentFolderOf(const std::wstring& path);

// True when the folder holding `path` is one of `folders`.
bool IsDirectlyInside(const std::wstring& path, const std::vector<FileIdentity>& folders);
