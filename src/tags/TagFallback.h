#pragma once
// Fills a missing title or artist of a finished recording from its own ID3 tags.
#include <string>

// Reads only what is empty: "TIT2" for the title, "TPE1" for the artist. The file is not
// opened when both are set; an unreadable file or a missing frame leaves the field empty.
void FillMissingFromTags(const std::wstring& path, std::wstring& title, std::wstring& artist);
