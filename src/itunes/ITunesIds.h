#pragma once
// The identifiers of iTunes' automation server that this program relies on.
// Members are called by name; only the class and the two interfaces that are
// queried need their GUIDs.
#include <windows.h>

// coclass iTunesApp
inline const CLSID kITunesAppClass = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
inline const IID kIITUserPlaylist = {
    0x0A504DED, 0xA0B5, 0x465A, {0x8A, 0x94, 0x50, 0xE2, 0x0D, 0x7D, 0xF6, 0x92}};
inline const IID kIITFileOrCDTrack = {
    0x00D7FE99, 0x7868, 0x4CC7, {0xAD, 0x9E, 0xAC, 0xFD, 0x70, 0xD0, 0x95, 0x66}};

// ITUserPlaylistSpecialKind of an ordinary user playlist.
constexpr long kUserPlaylistSpecialKindNone = 0;

// ITPlaylistSearchField
enum SearchField : long {
    kSearchAll = 0,
    kSearchVisible = 1,
    kSearchArtists = 2,
    kSearchAlbums = 3,
    kSearchComposers = 4,
    kSearchSongNames = 5,
};

// Track collections, whoever hands them out (searches, playlists, imports):
// their members are all tracks, which answer with the same DISPIDs.
inline const wchar_t kTrackCollectionKind[] = L"IITTrackCollection";
