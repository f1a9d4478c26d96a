#pragma once
// Where finished songs go and what becomes of their files, read once from
// the settings tree's root: the iTunes library (over COM), or the output
// folder alone with a tag in each file and a playlist file per station.
#include <string>

class Settings;

struct LibraryTarget {
    // The stored LibraryTarget numbers; anything else reads as iTunes.
    enum class Kind { ITunes = 0, Folder = 1 };

    Kind kind = Kind::ITunes;
    // IsWriteTags: with iTunes, our own tag replaces the recorder's instead
    // of a strip. The folder target always writes it.
    bool writeTagsForITunes = false;
    // IsWritePlaylistFile: each finished song gets a line in its station's
    // playlist file. Stored only when it differs from the target's own
    // default (on for the folder, off for iTunes), so that a change of
    // target brings that default along.
    bool writePlaylist = false;
    // PlaylistByteOrderMark: a new playlist file starts with one.
    bool playlistByteOrderMark = false;

    bool usesITunes() const { return kind == Kind::ITunes; }
    bool writesTags() const { return kind == Kind::Folder || writeTagsForITunes; }
};

LibraryTarget ReadLibraryTarget(const Settings& root);
// Writes all four keys, IsWritePlaylistFile only when it is not the default.
void WriteLibraryTarget(const LibraryTarget& target, Settings& root);
// The playlist's default for a target when the key is absent.
bool DefaultWritePlaylist(LibraryTarget::Kind kind);
