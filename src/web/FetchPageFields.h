#pragma once
// Fetching a station's now-playing page and cutting the song out of it. Runs
// on a worker: it blocks only its caller and touches no shared state.
#include <string>

#include "settings/Station.h"
#include "web/SongInfo.h"

// How a fetch went, for the station's extraction health.
enum class FetchStatus {
    Ok,               // the title and the artist were found
    NoAddress,        // the station has no Url: nothing was fetched
    FetchFailed,      // no answer or a time-out: nothing changed
    ErrorStatus,      // an HTTP error status; its page was still stored and read
    PatternMismatch,  // the pattern matched nothing (or is no valid pattern)
    FieldsEmpty,      // the title or the artist is empty after the templates
};

// Fetches the page of `station` (over HTTP or, with useBrowser, through the
// browser component) into `page`, as fetched, for the caller to keep as the
// station's last page, and extracts the four fields into `songInfo`; the
// artwork is left an address, resolved against the page's. On NoAddress and
// FetchFailed `songInfo` stays as it was. Never throws.
FetchStatus FetchPageFields(const Station& station, SongInfo& songInfo, std::wstring& page);
