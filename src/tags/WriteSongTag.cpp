// Temporary stand-in until the TagLib writer lands: an ID3v2.3 tag with
// UTF-16 text frames before the stripped audio.
#include "tags/WriteSongTag.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/File.h"
#include "base/PathHelpers.h"
#include "base/TemporaryFile.h"
#include "tags/TagLayout.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutText(Bytes& out, const std::wstring& text) {
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (wchar_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

void Frame(Bytes& tag, const char* id, const Bytes& body) {
    tag.insert(tag.end(), id, id + 4);
    Put32(tag, static_cast<std::uint32_t>(body.size()));
    tag.push_back(0);
    tag.push_back(0);
    tag.insert(tag.end(), body.begin(), body.end());
}

void TextFrame(Bytes& tag, const char* id, const std::wstring& text) {
    if (text.empty()) return;
    Bytes body{1};
    PutText(body, text);
    Frame(tag, id, body);
}

}  // namespace

bool WriteSongTag(const std::wstring& path, const SongTag& song) {
    Bytes frames;
    TextFrame(frames, "TIT2", song.title);
    TextFrame(frames, "TPE1", song.artist);
    TextFrame(frames, "TALB", song.album);
    if (!song.comment.empty()) {
        Bytes body{1, 'j', 'p', 'n'};
        PutText(body, L"");
        body.push_back(0);
        body.push_back(0);
        PutText(body, song.comment);
        Frame(frames, "COMM", body);
    }
    if (!song.pictureBytes.empty()) {
        Bytes body{0};
        body.insert(body.end(), song.pictureMimeType.begin(), song.pictureMimeType.end());
        body.push_back(0);
        body.push_back(3);  // front cover
        body.push_back(0);
        body.insert(body.end(), song.pictureBytes.begin(), song.pictureBytes.end());
        Frame(frames, "APIC", body);
    }
    Bytes tag{'I', 'D', '3', 3, 0, 0};
    const std::uint32_t size = static_cast<std::uint32_t>(frames.size());
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<std::uint8_t>((size >> shift) & 0x7F));
    tag.insert(tag.end(), frames.begin(), frames.end());

    kit::File source;
    if (!source.OpenRead(path, FILE_SHARE_READ)) return false;
    const TagLayout layout = ReadTagLayout(source);
    if (!layout.Fits()) return false;
    Bytes audio(static_cast<std::size_t>(layout.keepEnd - layout.keepBegin));
    source.Seek(layout.keepBegin);
    if (source.Read(audio.data(), audio.size()) != audio.size()) return false;
    source.Close();
    kit::TemporaryFile temporary(kit::TemporaryFile::ReserveBeside(path));
    kit::File target;
    if (temporary.path().empty() || !target.OpenWrite(temporary.path())) return false;
    if (target.Write(tag.data(), tag.size()) != tag.size() || target.Write(audio.data(), audio.size()) != audio.size())
        return false;
    target.Close();
    if (!::MoveFileExW(temporary.path().c_str(), ExtendedLengthPath(path).c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    temporary.Keep();
    return true;
}
