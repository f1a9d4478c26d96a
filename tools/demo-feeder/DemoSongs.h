#pragma once
// The demo station's programme: songs in a loop, each with its page fields,
// its own tags and a picture.
#include <string>
#include <vector>

struct DemoSong {
    std::wstring fileName;
    std::wstring title, artist, album;  // empty title: a jingle, not on the page
    std::string artworkPath;            // "/art/....jpg" or ".png"
};

const std::vector<DemoSong>& DemoProgramme();
// The station's now-playing page for a song, in UTF-8.
std::string DemoPage(const DemoSong& song);
// The settings description of the demo (format of SettingsDescription.h).
std::string DemoSettings(const std::wstring& folder, const std::wstring& pageUrl, const std::wstring& serverUrl);
