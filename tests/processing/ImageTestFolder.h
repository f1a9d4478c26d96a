#pragma once
// A scratch folder under the temporary directory, removed with its files.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/File.h"

class ImageTestFolder {
public:
    ImageTestFolder() {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"kestrel-images-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ImageTestFolder() {
        for (const auto& file : files_) ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    ImageTestFolder(const ImageTestFolder&) = delete;
    ImageTestFolder& operator=(const ImageTestFolder&) = delete;

    // Writes `bytes` into a file of that name and returns its full path.
    std::wstring Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
        std::wstring full = path_ + name;
        kit::File file;
        file.OpenWrite(full);
        if (!bytes.empty()) file.Write(bytes.data(), bytes.size());
        files_.push_back(full);
        return full;
    }

private:
    std::wstring path_;
    std::vector<std::wstring> files_;
};
