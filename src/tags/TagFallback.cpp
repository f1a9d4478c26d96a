#include "tags/TagFallback.h"

#include "tags/Mp3Tag.h"

void FillMissingFromTags(const std::wstring& path, std::wstring& title, std::wstring& artist) {
    if (!title.empty() && !artist.empty()) return;
    kit::Mp3Tag tag;
    tag.Open(path);  // a failed open makes every GetText answer ""
    if (title.empty()) title = tag.GetText(L"TIT2");
    if (artist.empty()) artist = tag.GetText(L"TPE1");
}
