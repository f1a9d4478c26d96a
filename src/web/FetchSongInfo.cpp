#include "web/FetchSongInfo.h"

#include "base/FileOperations.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "web/ArtworkFile.h"
#include "web/Http.h"
#include "web/SongExtraction.h"
#include "web/WebBrowser.h"

namespace {

bool FetchPage(const Settings& station, const std::wstring& url, std::wstring& page) {
    if (station.GetBool(L"Component")) return kit::WebBrowser::FetchBodyHtml(url, page);
    kit::Http http;
    if (!http.Open(url)) return false;
    http.ReadText(page);
    return true;
}

void RemoveLineBreaks(std::wstring& page) {
    page.erase(std::remove_if(page.begin(), page.end(), [](wchar_t c) { return c == L'\n' || c == L'\r'; }),
               page.end());
}

// Replaces songInfo.artwork, the address, by the local path of the picture,
// or by nothing when there is no picture to show.
void DownloadArtwork(const std::wstring& artworkFolder, ArtworkView& artworkView, SongInfo& songInfo) {
    const std::wstring url = songInfo.artwork;
    songInfo.artwork.clear();
    // Always over HTTP, whichever way the page came.
    kit::Http http;
    std::vector<std::uint8_t> bytes;
    if (!http.Open(url, kit::Http::kArtworkBudget) || http.ReadBytes(bytes, kit::Http::kImageLimit) == 0) {
        artworkView.ClearArtwork();
        return;
    }
    songInfo.artwork = SaveArtwork(artworkFolder, url, bytes);
    if (songInfo.artwork.empty()) artworkView.ClearArtwork();
    else artworkView.ShowArtwork(songInfo.artwork);
}

bool FetchSongInfoOrThrow(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                          SongInfo& songInfo) {
    const std::wstring url = station.GetString(L"Url");
    if (url.empty()) return false;
    std::wstring page;
    if (!FetchPage(station, url, page)) return false;
    // Stored as fetched, so that the station dialog shows the last page.
    station.SetString(L"Html", page);
    if (station.GetBool(L"DeleteReturn")) RemoveLineBreaks(page);

    const SongTemplates templates = {station.GetString(L"Title"), station.GetString(L"Artist"),
                                     station.GetString(L"Album"), station.GetString(L"Artwork")};
    auto fields = ExtractSongFields(page, station.GetString(L"MatchPattern"), templates);
    songInfo.title = std::move(fields[0]);
    songInfo.artist = std::move(fields[1]);
    songInfo.album = std::move(fields[2]);
    songInfo.artwork = std::move(fields[3]);

    DeleteFilesInFolder(artworkFolder);
    DownloadArtwork(artworkFolder, artworkView, songInfo);
    return true;
}

}  // namespace

bool FetchSongInfo(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                   SongInfo& songInfo) {
    // Runs inside a timer tick, which no exception may leave; only running
    // out of memory on a huge page can throw here.
    try {
        return FetchSongInfoOrThrow(station, artworkFolder, artworkView, songInfo);
    } catch (const std::exception&) {
        return false;
    }
}
