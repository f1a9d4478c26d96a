#pragma once
// A fresh folder under the Wine prefix's temp folder, removed with its
// contents when the test ends, plus small file helpers for tests.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    // path + "\" + name
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Writes a file (empty by default) or makes a folder inside; returns its path.
    std::wstring AddFile(const std::wstring& name, const std::vector<std::uint8_t>& bytes = {}) const;
    std::wstring AddFolder(const std::wstring& name) const;

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);
// Under Wine, the Recycle Bin is $XDG_DATA_HOME/Trash: points it, for this
// process (before its first recycling: Wine reads it once) and the programs
// it starts, at `dataHome`, and returns the folder where recycled files land.
std::wstring PointTrashAt(const std::wstring& dataHome);
bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
bool Exists(const std::wstring& path);
// Sets the last-write time to a fixed day plus `minutes`.
bool SetWriteTime(const std::wstring& path, int minutes);
// Zero when the file cannot be opened.
FILETIME LastWriteTime(const std::wstring& path);
FILETIME CreationTime(const std::wstring& path);
bool SameTime(const FILETIME& a, const FILETIME& b);
std::vector<std::wstring> ListNames(const std::wstring& folder);

}  // namespace testing_support
