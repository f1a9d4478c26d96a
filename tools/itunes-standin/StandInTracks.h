#pragma once
// Tracks, track collections and the status of an import.
#include <string>
#include <vector>

#include "ServerObject.h"

// A track object for the library track with this id.
ServerObject* NewTrack(long id);
// A fixed list of tracks (search results, an import's tracks, a playlist's).
ServerObject* NewTrackList(std::vector<long> ids);
// The library's own tracks, as they are at each call.
ServerObject* NewLibraryTracks();
ServerObject* NewImportStatus(std::vector<long> ids, int busyPolls);
// The id of a track object of this server that a client handed back.
bool TrackIdOf(IDispatch* object, long& id);
// A track's persistent ID: a fixed high half, the track's id as the low one.
constexpr long kPersistentIdHigh = 0x4B53544C;
bool IsFile(const std::wstring& path);
