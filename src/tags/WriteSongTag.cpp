#include "tags/WriteSongTag.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <new>

#include "tags/RecordingRewrite.h"
#include "tags/TagLayout.h"

namespace {

// Artwork larger than this is no cover; a tag that big would only slow every player.
constexpr size_t kMaxPictureBytes = 16u << 20;
// Far beyond any title or comment; keeps a runaway string out of the file.
constexpr size_t kMaxTextLength = 1u << 16;

bool Acceptable(const SongTag& tag) {
    for (const std::wstring* text : {&tag.title, &tag.artist, &tag.album, &tag.comment})
        if (text->size() > kMaxTextLength) return false;
    if (tag.pictureBytes.empty()) return true;
    return tag.pictureBytes.size() <= kMaxPictureBytes &&
           (tag.pictureMimeType == "image/jpeg" || tag.pictureMimeType == "image/png");
}

// TagLib takes the wide string as UTF-16 in the machine's byte order, so letters
// outside the BMP keep their surrogate pairs.
void AddText(TagLib::ID3v2::Tag& tag, const char* id, const std::wstring& text) {
    if (text.empty()) return;  // an empty text frame is not allowed in version 2.3
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF16);
    tag.addFrame(frame);  // the tag owns its frames from here
    frame->setText(TagLib::String(text));
}

TagLib::ByteVector RenderTag(const SongTag& song) {
    TagLib::ID3v2::Tag tag;
    AddText(tag, "TIT2", song.title);
    AddText(tag, "TPE1", song.artist);
    AddText(tag, "TALB", song.album);
    if (!song.comment.empty()) {
        auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF16);
        tag.addFrame(comment);
        comment->setLanguage("jpn");
        comment->setText(TagLib::String(song.comment));
    }
    if (!song.pictureBytes.empty()) {
        // No description: Latin-1 is the encoding every reader of version 2.3 takes.
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame();
        tag.addFrame(picture);
        picture->setTextEncoding(TagLib::String::Latin1);
        picture->setMimeType(song.pictureMimeType);
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(TagLib::ByteVector(song.pictureBytes.data(),
                                               static_cast<unsigned int>(song.pictureBytes.size())));
    }
    return tag.render(TagLib::ID3v2::v3);
}

}  // namespace

bool WriteSongTag(const std::wstring& path, const SongTag& tag) {
    if (!Acceptable(tag)) return false;
    try {
        RecordingRewrite rewrite;
        if (!rewrite.Open(path) || rewrite.IsReadOnly()) return false;
        const TagLayout layout = ReadEveryTagLayout(rewrite.source());
        if (!layout.Fits()) return false;
        const TagLib::ByteVector rendered = RenderTag(tag);
        return rewrite.ReplaceWith(rendered.data(), rendered.size(), layout.keepBegin, layout.keepEnd);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
