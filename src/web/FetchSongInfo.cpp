#include "web/FetchSongInfo.h"

#include "base/FileOperations.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "base/WorkerWait.h"
#include "web/ArtworkFile.h"
#include "web/Http.h"
#include "web/SongExtraction.h"
#include "web/WebBrowser.h"

namespace {

// Page, browser and artwork each end within their own budgets; this only
// guards the window against a worker that somehow does not.
constexpr DWORD kWorkerTimeout = 60000;

// What the worker reads from the station, copied before it starts: the
// worker may outlive the wait and must never touch the caller's settings.
struct FetchRequest {
    std::wstring url;
    bool component = false;
    bool deleteReturn = false;
    std::wstring pattern;
    SongTemplates templates;
};

// What the worker hands back; the window's thread saves and shows it.
struct FetchResult {
    bool fetched = false;
    std::wstring page;  // as fetched
    std::array<std::wstring, 4> fields;
    std::vector<std::uint8_t> artwork;
};

bool FetchPageNow(const std::wstring& url, bool component, std::wstring& page) {
    if (component) return kit::WebBrowser::FetchBodyHtml(url, page);
    kit::Http http;
    if (!http.Open(url)) return false;
    http.ReadText(page);
    return true;
}

void RemoveLineBreaks(std::wstring& page) {
    page.erase(std::remove_if(page.begin(), page.end(), [](wchar_t c) { return c == L'\n' || c == L'\r'; }),
               page.end());
}

// The network and the pattern, which may both take long: off the window's thread.
void FetchOnWorker(const FetchRequest& request, FetchResult& result) {
    if (!FetchPageNow(request.url, request.component, result.page)) return;
    std::wstring page = result.page;
    if (request.deleteReturn) RemoveLineBreaks(page);
    result.fields = ExtractSongFields(page, request.pattern, request.templates);
    result.fetched = true;
    // Always over HTTP, whichever way the page came.
    kit::Http http;
    if (!http.Open(result.fields[3], kit::Http::kArtworkBudget) ||
        http.ReadBytes(result.artwork, kit::Http::kImageLimit) == 0)
        result.artwork.clear();
}

// Replaces songInfo.artwork, the address, by the local path of the picture,
// or by nothing when there is no picture to show.
void StoreArtwork(const std::wstring& artworkFolder, const std::vector<std::uint8_t>& bytes,
                 ArtworkView& artworkView, SongInfo& songInfo) {
    const std::wstring url = songInfo.artwork;
    songInfo.artwork.clear();
    if (!bytes.empty()) songInfo.artwork = SaveArtwork(artworkFolder, url, bytes);
    if (songInfo.artwork.empty()) artworkView.ClearArtwork();
    else artworkView.ShowArtwork(songInfo.artwork);
}

bool FetchSongInfoOrThrow(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                          SongInfo& songInfo) {
    auto request = std::make_shared<FetchRequest>();
    request->url = station.GetString(L"Url");
    if (request->url.empty()) return false;
    request->component = station.GetBool(L"Component");
    request->deleteReturn = station.GetBool(L"DeleteReturn");
    request->pattern = station.GetString(L"MatchPattern");
    request->templates = {station.GetString(L"Title"), station.GetString(L"Artist"), station.GetString(L"Album"),
                          station.GetString(L"Artwork")};
    auto result = std::make_shared<FetchResult>();
    if (!RunOnWorker([request, result] { FetchOnWorker(*request, *result); }, kWorkerTimeout) ||
        !result->fetched)
        return false;

    // Stored as fetched, so that the station dialog shows the last page.
    station.SetString(L"Html", result->page);
    songInfo.title = std::move(result->fields[0]);
    songInfo.artist = std::move(result->fields[1]);
    songInfo.album = std::move(result->fields[2]);
    songInfo.artwork = std::move(result->fields[3]);

    DeleteFilesInFolder(artworkFolder);
    StoreArtwork(artworkFolder, result->artwork, artworkView, songInfo);
    return true;
}

}  // namespace

bool FetchPage(const std::wstring& url, bool component, std::wstring& page) {
    auto fetched = std::make_shared<std::pair<bool, std::wstring>>(false, std::wstring());
    if (!RunOnWorker([url, component, fetched] { fetched->first = FetchPageNow(url, component, fetched->second); },
                     kWorkerTimeout) ||
        !fetched->first)
        return false;
    page += fetched->second;
    return true;
}

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
