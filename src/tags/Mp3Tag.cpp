#include "tags/Mp3Tag.h"

#include <fcntl.h>
#include <id3tag.h>

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/ScopedHandle.h"

namespace kit {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// libid3tag compares ids as prefixes and answers an empty id with any frame,
// so only a whole four-character id is passed on.
bool ToFrameId(const std::wstring& id, char (&out)[5]) {
    if (id.size() != 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        wchar_t c = id[i];
        if (!((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))) return false;
        out[i] = static_cast<char>(c);
    }
    out[4] = '\0';
    return true;
}

}  // namespace

Mp3Tag::~Mp3Tag() { Close(); }

bool Mp3Tag::Open(const std::wstring& path) {
    Close();
    // By the UTF-16 name: the ANSI name of a file outside the code page does not exist.
    UniqueCrtFd fd(::_wopen(path.c_str(), _O_RDONLY | _O_BINARY));
    if (!fd.Valid()) return false;
    // The library allocates and reads whatever size a leading tag declares, up to
    // 256 MB, before it notices the file is shorter. Such a tag is unreadable anyway:
    // only the trailer can give text then.
    const long long size = ::_filelengthi64(fd.Get());
    if (size < 0) return false;
    id3_byte_t header[ID3_TAG_QUERYSIZE];
    if (::_read(fd.Get(), header, sizeof header) == static_cast<int>(sizeof header) &&
        ::id3_tag_query(header, sizeof header) > size)
        return OpenTrailerOnly(fd.Get(), size);
    if (::_lseeki64(fd.Get(), 0, SEEK_SET) != 0) return false;
    id3_file* file = ::id3_file_fdopen(fd.Get(), ID3_FILE_MODE_READONLY);
    // On failure the library leaves the descriptor open, and ours closes it.
    if (!file) return false;
    fd.Release();  // the library's stream closes it now
    id3_tag* tag = ::id3_file_tag(file);
    if (!tag) {
        ::id3_file_close(file);
        return false;
    }
    file_ = file;
    tag_ = tag;
    return true;
}

bool Mp3Tag::OpenTrailerOnly(int fd, long long size) {
    constexpr int kTrailerSize = 128;
    id3_byte_t trailer[kTrailerSize];
    id3_tag* tag = nullptr;
    if (size >= kTrailerSize && ::_lseeki64(fd, size - kTrailerSize, SEEK_SET) == size - kTrailerSize &&
        ::_read(fd, trailer, kTrailerSize) == kTrailerSize && ::id3_tag_query(trailer, kTrailerSize) == kTrailerSize)
        tag = ::id3_tag_parse(trailer, kTrailerSize);
    // No readable trailer: an empty tag, as for a file without tags.
    if (!tag) tag = ::id3_tag_new();
    tag_ = tag;
    return tag_ != nullptr;
}

std::wstring Mp3Tag::GetText(const std::wstring& frameId) const {
    char id[5];
    if (!tag_ || !ToFrameId(frameId, id)) return std::wstring();
    id3_frame* frame = ::id3_tag_findframe(tag_, id, 0);
    if (!frame) return std::wstring();
    // Field 0 of a text frame is its encoding byte, field 1 the list of strings.
    const id3_field* field = ::id3_frame_field(frame, 1);
    if (!field || ::id3_field_type(field) != ID3_FIELD_TYPE_STRINGLIST ||
        ::id3_field_getnstrings(field) == 0)
        return std::wstring();
    const id3_ucs4_t* text = ::id3_field_getstrings(field, 0);
    if (!text) return std::wstring();
    std::unique_ptr<id3_utf16_t, FreeDeleter> utf16(::id3_ucs4_utf16duplicate(text));
    if (!utf16) return std::wstring();
    const id3_utf16_t* p = utf16.get();
    size_t length = 0;
    while (p[length] != 0) ++length;
    return std::wstring(p, p + length);
}

bool Mp3Tag::GetPicture(std::string& mimeType, std::string& bytes) const {
    id3_frame* frame = tag_ ? ::id3_tag_findframe(tag_, "APIC", 0) : nullptr;
    if (!frame) return false;
    // Fields: encoding, MIME type, picture type, description, picture data.
    const id3_field* mime = ::id3_frame_field(frame, 1);
    const id3_field* data = ::id3_frame_field(frame, 4);
    if (!mime || ::id3_field_type(mime) != ID3_FIELD_TYPE_LATIN1 || !data ||
        ::id3_field_type(data) != ID3_FIELD_TYPE_BINARYDATA)
        return false;
    const id3_latin1_t* type = ::id3_field_getlatin1(mime);
    id3_length_t length = 0;
    const id3_byte_t* picture = ::id3_field_getbinarydata(data, &length);
    mimeType = type ? reinterpret_cast<const char*>(type) : "";
    bytes = picture ? std::string(reinterpret_cast<const char*>(picture), length) : std::string();
    return true;
}

void Mp3Tag::Close() {
    if (file_) ::id3_file_close(file_);
    else if (tag_) ::id3_tag_delete(tag_);
    file_ = nullptr;
    tag_ = nullptr;
}

}  // namespace kit
