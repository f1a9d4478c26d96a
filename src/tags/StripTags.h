#pragma once
// Removes the ID3 tags the recorder left in a finished recording: one ID3v2 tag at
// its start and one ID3v1 trailer at its end.
#include <string>

// True when the file had no tag or now has none. False when it cannot be read or
// replaced, or when its tags claim more bytes than it holds; the file is then exactly
// as it was. It keeps its attributes and creation time; a read-only file is refused.
bool StripTags(const std::wstring& path);
