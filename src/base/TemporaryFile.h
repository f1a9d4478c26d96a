#pragma once
// A file that is deleted when its owner goes out of scope, unless it was kept
// (for example because it has been renamed over its target).
#include <windows.h>

#include <string>

namespace kit {

class TemporaryFile {
public:
    TemporaryFile() = default;
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) ::DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates a new empty file of a unique name in the folder of `path`, and
    // returns its name (extended-length where long); empty when none could
    // be made. GetTempFileNameW is no use here: it fails in a folder whose
    // path is longer than MAX_PATH - 14.
    static std::wstring ReserveBeside(const std::wstring& path);
    // What the names ReserveBeside makes look like, for a search that
    // removes those a kill left behind.
    static constexpr const wchar_t* kLeftOverPattern = L"kst*.tmp";

    const std::wstring& path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::wstring path_;
};

}  // namespace kit
