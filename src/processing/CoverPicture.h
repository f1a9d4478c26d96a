#pragma once
// A song's artwork as the front cover of its tag: JPEG and PNG files go in
// as they were fetched, any other picture our decoder reads (BMP) as PNG. A
// picture the decoder refuses goes in not at all.
#include <string>

struct CoverPicture {
    std::string bytes;     // empty: no picture
    std::string mimeType;  // "image/jpeg" or "image/png"
};

CoverPicture ReadCoverPicture(const std::wstring& path);
