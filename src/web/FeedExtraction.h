#pragma once
// The song fields of a fetched response, page or JSON feed.
#include <array>
#include <string>

#include "web/SongExtraction.h"

struct ExtractedFields {
    std::array<std::wstring, 4> fields;  // title, artist, album, artwork
    bool patternMatched = false;         // no pattern counts as a match
};

// A page goes through ExtractSongFields as it always has. In a JSON feed what
// the pattern cuts out is JSON-unescaped instead of entity-decoded, and a
// template's "{/now_playing/song/title}" parts are the values those JSON
// Pointers name in the parsed feed, with or without a pattern.
ExtractedFields ExtractFeedFields(const std::wstring& text, bool isJson, const std::wstring& pattern,
                                  const SongTemplates& templates);
