#include "web/FetchSongInfo.h"

#include "base/FileOperations.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "web/ArtworkFile.h"
#include "web/ArtworkSearch.h"
#include "web/FeedExtraction.h"
#include "web/Http.h"
#include "web/JsonDetection.h"
#include "web/StationCharset.h"
#include "web/TextDecoding.h"
#include "web/UrlText.h"
#include "web/WebBrowser.h"

namespace {

struct Page {
    std::wstring text;
    bool isJson = false;
    bool errorStatus = false;
};

bool FetchPage(const Settings& station, const std::wstring& url, Page& page) {
    if (station.GetBool(L"Component")) {
        if (!kit::WebBrowser::FetchBodyHtml(url, page.text)) return false;
        page.isJson = StartsLikeJson(page.text);
        return true;
    }
    kit::Http http;
    if (!http.Open(url)) return false;
    page.errorStatus = http.StatusCode() >= 400;
    std::vector<std::uint8_t> body;
    http.ReadBytes(body, kit::Http::kPageLimit);
    const std::string bytes(reinterpret_cast<const char*>(body.data()), body.size());
    const std::string contentType = http.ContentType();
    page.isJson = IsJsonMediaType(contentType) || StartsLikeJson(bytes);
    page.text = DecodePageBytes(bytes, ChosenCharset(station.GetString(L"Charset"), contentType, page.isJson));
    return true;
}

void RemoveLineBreaks(std::wstring& page) {
    page.erase(std::remove_if(page.begin(), page.end(), [](wchar_t c) { return c == L'\n' || c == L'\r'; }),
               page.end());
}

FetchStatus FetchSongFieldsOrThrow(Settings& station, SongInfo& songInfo) {
    const std::wstring url = station.GetString(L"Url");
    if (url.empty()) return FetchStatus::NoAddress;
    Page page;
    if (!FetchPage(station, url, page)) return FetchStatus::FetchFailed;
    // Stored as fetched, so that the station dialog shows the last page.
    station.SetString(L"Html", page.text);
    if (station.GetBool(L"DeleteReturn")) RemoveLineBreaks(page.text);

    const SongTemplates templates = {station.GetString(L"Title"), station.GetString(L"Artist"),
                                     station.GetString(L"Album"), station.GetString(L"Artwork")};
    ExtractedFields extracted =
        ExtractFeedFields(page.text, page.isJson, station.GetString(L"MatchPattern"), templates);
    songInfo.title = std::move(extracted.fields[0]);
    songInfo.artist = std::move(extracted.fields[1]);
    songInfo.album = std::move(extracted.fields[2]);
    songInfo.artwork = ResolveUrl(url, extracted.fields[3]);

    if (page.errorStatus) return FetchStatus::ErrorStatus;
    if (!extracted.patternMatched) return FetchStatus::PatternMismatch;
    if (songInfo.title.empty() || songInfo.artist.empty()) return FetchStatus::FieldsEmpty;
    return FetchStatus::Ok;
}

// The picture at `url`, saved into the folder and shown; false, leaving
// nothing behind, when it cannot be downloaded or the view cannot decode it.
bool ShowDownloadedArtwork(const std::wstring& artworkFolder, ArtworkView& artworkView, const std::wstring& url,
                           SongInfo& songInfo) {
    // Always over HTTP, whichever way the page came.
    kit::Http http;
    std::vector<std::uint8_t> bytes;
    if (url.empty() || !http.Open(url, kit::Http::kArtworkBudget) || http.StatusCode() >= 400 ||
        http.ReadBytes(bytes, kit::Http::kImageLimit) == 0)
        return false;
    const std::wstring path = SaveArtwork(artworkFolder, url, bytes);
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
    // Runs inside a timer tick, which no exception may leave; only running
    // out of memory on a huge page can throw here.
    SongInfo fetched = songInfo;
    try {
        const FetchStatus status = FetchSongFieldsOrThrow(station, fetched);
        songInfo = std::move(fetched);
        return status;
    } catch (const std::exception&) {
        return FetchStatus::FetchFailed;
    }
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
