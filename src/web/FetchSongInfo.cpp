#include "web/FetchSongInfo.h"

#include "base/FileOperations.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "base/WorkerWait.h"
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

// Page, browser and artwork each end within their own budgets; this only
// guards the window against a worker that somehow does not.
constexpr DWORD kWorkerTimeout = 60000;

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
    if (url.empty()) return false;
    // Always over HTTP, whichever way the page came; on a worker, as the page.
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    const bool ended = RunOnWorker(
        [url, bytes] {
            kit::Http http;
            if (!http.Open(url, kit::Http::kArtworkBudget) || http.StatusCode() >= 400 ||
                http.ReadBytes(*bytes, kit::Http::kImageLimit) == 0)
                bytes->clear();
        },
        kWorkerTimeout);
    if (!ended || bytes->empty()) return false;
    const std::wstring path = SaveArtwork(artworkFolder, url, *bytes);
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
    // The worker has copies of its own: it may outlive the wait, and the
    // window's thread goes on handling messages meanwhile.
    struct Job {
        Settings station;
        SongInfo fetched;
        FetchStatus status = FetchStatus::FetchFailed;
    };
    auto job = std::make_shared<Job>();
    try {
        // All but the last page, which can be large and is replaced anyway.
        for (const auto& [name, value] : station.values)
            if (name != L"Html") job->station.values.emplace(name, value);
        job->fetched = songInfo;
    } catch (const std::exception&) {
        return FetchStatus::FetchFailed;
    }
    const bool ended = RunOnWorker(
        [job] {
            // Only running out of memory on a huge page can throw here.
            try {
                job->status = FetchSongFieldsOrThrow(job->station, job->fetched);
            } catch (const std::exception&) {
                job->status = FetchStatus::FetchFailed;
            }
        },
        kWorkerTimeout);
    if (!ended || job->status == FetchStatus::NoAddress || job->status == FetchStatus::FetchFailed)
        return ended ? job->status : FetchStatus::FetchFailed;
    // Moved, not converted again: a page of many megabytes would hold the window.
    station.values[L"Html"] = std::move(job->station.values[L"Html"]);
    songInfo = std::move(job->fetched);
    return job->status;
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
