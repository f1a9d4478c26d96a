#include "web/FetchSongInfo.h"

#include <exception>

#include "base/FileOperations.h"
#include "web/ArtworkDownload.h"
#include "web/ArtworkSearch.h"

namespace {

// The picture at `url`, saved into the folder and shown; false, leaving
// nothing behind, when it cannot be downloaded or the view cannot decode it.
bool ShowDownloadedArtwork(const std::wstring& artworkFolder, ArtworkView& artworkView, const std::wstring& url,
                           SongInfo& songInfo) {
    const std::wstring path = DownloadArtwork(artworkFolder, url);
    if (path.empty()) return false;
    if (!artworkView.ShowArtwork(path)) {
        DeleteFileForce(path);
        return false;
    }
    songInfo.artwork = path;
    return true;
}

}  // namespace

FetchStatus FetchSongFields(Settings& station, SongInfo& songInfo) {
    std::wstring page;
    const FetchStatus status = FetchPageFields(ReadStation(station), songInfo, page);
    if (status != FetchStatus::NoAddress && status != FetchStatus::FetchFailed) {
        try {
            station.SetString(L"Html", page);
        } catch (const std::exception&) {
        }
    }
    return status;
}

void FetchArtwork(const std::wstring& artworkFolder, ArtworkView& artworkView, ArtworkSearch* search,
                  SongInfo& songInfo) {
    const std::wstring url = songInfo.artwork;
    songInfo.artwork.clear();
    try {
        DeleteFilesInFolder(artworkFolder);
        if (ShowDownloadedArtwork(artworkFolder, artworkView, url, songInfo)) return;
        if (search) {
            const ArtworkSearch::Result found = search->Find(songInfo.artist, songInfo.title);
            if (found.outcome == ArtworkSearch::Outcome::Found &&
                ShowDownloadedArtwork(artworkFolder, artworkView, found.artworkUrl, songInfo))
                return;
        }
    } catch (const std::exception&) {
    }
    artworkView.ClearArtwork();
}

bool FetchSongInfo(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                   SongInfo& songInfo, ArtworkSearch* search, FetchStatus* status) {
    const FetchStatus fetched = FetchSongFields(station, songInfo);
    if (status) *status = fetched;
    if (fetched == FetchStatus::NoAddress || fetched == FetchStatus::FetchFailed) return false;
    FetchArtwork(artworkFolder, artworkView, search, songInfo);
    return true;
}
