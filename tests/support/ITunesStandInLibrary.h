#pragma once
// The library of the stand-in iTunes server, as kept in the file that a test
// hands it: tracks in library order (position + 1 is a track's index), user
// playlists, and the faults the server is told to produce.
//
// The file is UTF-8 text, one record a line, fields separated by tabs (tabs,
// line breaks and backslashes inside a field escaped with a backslash):
//   track  id enabled file-track name artist album comment composer location lyrics artwork
//   playlist  user name track-id...   user: 1, 0 (no user playlist), smart, folder
//   fail  member count
//   busy  count
//   insert  (the fields of a track)   added at the front when AddFile is called
//   reject  milliseconds              IDispatch calls refused from the first one on
//   hang  member milliseconds         the first call of the member blocks the server
//   connections  count                 clients that connected (the server counts them)
//   hold  1                           a deleted track's file is held open from then on
#include <map>
#include <string>
#include <vector>

struct StandInTrack {
    long id = 0;  // stays with the track when others are removed
    bool enabled = true;
    bool fileTrack = true;  // answers the file-track interface
    std::wstring name, artist, album, comment, composer, location, lyrics;
    std::wstring artwork;  // the last picture file attached
};

struct StandInPlaylist {
    std::wstring name;
    bool user = true;  // false: answers no user-playlist interface
    std::vector<long> trackIds;
    // User playlists that refuse AddTrack, as iTunes' do.
    bool smart = false;
    bool folder = false;
};

class StandInLibrary {
public:
    // Appends a track with a fresh id.
    StandInTrack& AddTrack(const std::wstring& name, const std::wstring& artist,
                           const std::wstring& album);
    StandInTrack* FindTrack(long id);
    const StandInTrack* FindTrack(long id) const;
    // First track with this name; null when none.
    const StandInTrack* FindByName(const std::wstring& name) const;
    // 1-based position in the library, 0 when the track is gone.
    long IndexOf(long id) const;
    // From the library and every playlist.
    bool RemoveTrack(long id);
    StandInPlaylist* FindPlaylist(const std::wstring& name);
    const StandInPlaylist* FindPlaylist(const std::wstring& name) const;

    bool Load(const std::wstring& path);
    bool Save(const std::wstring& path) const;

    std::vector<StandInTrack> tracks;
    std::vector<StandInPlaylist> playlists;
    // Member ("Search", "Enabled"; property puts as "put Name") to the number
    // of calls still to fail.
    std::map<std::wstring, int> failures;
    // Reads of InProgress that answer true for each import.
    int busyPolls = 0;
    // Tracks someone adds in iTunes between the search and the import: put at
    // the front of the library (shifting every position) when AddFile comes.
    std::vector<StandInTrack> insertOnAdd;
    // For how long the server's message filter refuses calls (as iTunes does
    // while one of its dialogs is open), counted from the first call.
    long rejectMs = 0;
    // The first call of this member keeps the server busy for hangMs.
    std::wstring hangMember;
    long hangMs = 0;
    // A deleted track's file is opened, as by a player, without sharing its
    // deletion, and held while the server runs.
    bool holdDeletedFiles = false;
    // Application objects made for clients, by every server run on this file.
    long connections = 0;
    long nextId = 1;
};
