#pragma once
// A scratch folder per test, with helpers to write and read whole files.
#include <windows.h>

#include <string>

#include "Id3Bytes.h"

namespace tagtest {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Names of everything inside, sorted.
    std::wstring Listing() const;

private:
    std::wstring path_;
};

void WriteBytes(const std::wstring& path, const id3bytes::Bytes& bytes);
// Empty when the file cannot be read.
id3bytes::Bytes ReadBytes(const std::wstring& path);
FILETIME LastWriteTime(const std::wstring& path);
FILETIME CreationTime(const std::wstring& path);
bool SameTime(const FILETIME& a, const FILETIME& b);

}  // namespace tagtest
