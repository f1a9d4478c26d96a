#pragma once
// Read-only view of the ID3 tags (ID3v1 trailer, ID3v2.2 to 2.4) of one MP3 file.
#include <string>

#include <boost/noncopyable.hpp>

struct id3_file;
struct id3_tag;

namespace kit {

class Mp3Tag : private boost::noncopyable {
public:
    Mp3Tag() = default;
    virtual ~Mp3Tag();

    // Opens the file by its UTF-16 path, so any name the file system holds can be read.
    // A file without tags opens with an empty tag. Closes a file opened before.
    bool Open(const std::wstring& path);
    // First string of the first frame with this id ("TIT2", "TPE1"; version 2.2 and 2.3
    // frames answer to their version 2.4 ids); "" when anything is missing.
    std::wstring GetText(const std::wstring& frameId) const;
    // The first attached picture ("APIC"): its MIME type and its bytes; false when
    // there is none.
    bool GetPicture(std::string& mimeType, std::string& bytes) const;
    void Close();

    bool IsOpen() const { return tag_ != nullptr; }

private:
    bool OpenTrailerOnly(int fd, long long size);

    id3_file* file_ = nullptr;  // owned
    id3_tag* tag_ = nullptr;    // owned by file_ while it is open, else by this object
};

}  // namespace kit
