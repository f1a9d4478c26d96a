#pragma once
// A station's playlist file beside its songs: UTF-8, "#EXTM3U" first, then
// two lines per song, its "#EXTINF:<seconds>,<artist> - <title>" and its path
// relative to the playlist. Songs are only ever appended, so the user's own
// edits and a player reading the file meanwhile lose nothing.
#include <string>

// "<station name>.m3u8", with what Windows does not allow in a name made
// harmless: forbidden characters become their full-width look-alikes, control
// characters "_", trailing dots and spaces go, a device name (CON, COM1...)
// gets "_" behind it, and an over-long name is cut.
std::wstring PlaylistFileName(const std::wstring& stationName);

struct PlaylistEntry {
    std::wstring songPath;  // full path of the song's file
    std::wstring artist;
    std::wstring title;
    int seconds = -1;  // -1: not known
};

// `songPath` as written in a playlist in `playlistFolder`: relative when
// both are on the same drive or share, else the full path.
std::wstring PlaylistRelativePath(const std::wstring& playlistFolder, const std::wstring& songPath);

// Appends the song to the playlist at `playlistPath` in one write, creating
// the file (with a byte-order mark when asked) when there is none. A song
// that is already the last entry is not added again (a kill came between
// the append and the journal's note of it). False when the file could not be
// opened or written; the reason is in GetLastError().
bool AppendToPlaylist(const std::wstring& playlistPath, const PlaylistEntry& entry, bool byteOrderMark);
