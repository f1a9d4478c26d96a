#include "web/FetchPageFields.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <iterator>
#include <vector>

#include "base/DiagnosticLog.h"
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

bool FetchPage(const Station& station, Page& page) {
    if (station.useBrowser) {
        if (!kit::WebBrowser::FetchBodyHtml(station.url, page.text)) {
            LogFailure("ブラウザーでのページ取得失敗", station.url, 0);
            return false;
        }
        page.isJson = StartsLikeJson(page.text);
        return true;
    }
    kit::Http http;
    if (!http.Open(station.url)) return false;
    page.errorStatus = http.StatusCode() >= 400;
    std::vector<std::uint8_t> body;
    http.ReadBytes(body, kit::Http::kPageLimit);
    const std::string bytes(reinterpret_cast<const char*>(body.data()), body.size());
    const std::string contentType = http.ContentType();
    page.isJson = IsJsonMediaType(contentType) || StartsLikeJson(bytes);
    page.text = DecodePageBytes(bytes, ChosenCharset(station.charset, contentType, page.isJson));
    return true;
}

std::wstring WithoutLineBreaks(const std::wstring& text) {
    std::wstring kept;
    kept.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
                 [](wchar_t c) { return c != L'\n' && c != L'\r'; });
    return kept;
}

FetchStatus FetchOrThrow(const Station& station, SongInfo& songInfo, std::wstring& fetched) {
    if (station.url.empty()) return FetchStatus::NoAddress;
    Page page;
    if (!FetchPage(station, page)) return FetchStatus::FetchFailed;

    const SongTemplates templates = {station.titleTemplate, station.artistTemplate, station.albumTemplate,
                                     station.artworkTemplate};
    const std::wstring stripped = station.removeLineBreaks ? WithoutLineBreaks(page.text) : std::wstring();
    ExtractedFields extracted = ExtractFeedFields(station.removeLineBreaks ? stripped : page.text, page.isJson,
                                                  station.pattern, templates);
    songInfo.title = std::move(extracted.fields[0]);
    songInfo.artist = std::move(extracted.fields[1]);
    songInfo.album = std::move(extracted.fields[2]);
    songInfo.artwork = ResolveUrl(station.url, extracted.fields[3]);
    // Kept as fetched, line breaks and all: the station dialog shows it.
    fetched = std::move(page.text);

    if (page.errorStatus) return FetchStatus::ErrorStatus;
    if (!extracted.patternMatched) return FetchStatus::PatternMismatch;
    if (songInfo.title.empty() || songInfo.artist.empty()) return FetchStatus::FieldsEmpty;
    return FetchStatus::Ok;
}

}  // namespace

FetchStatus FetchPageFields(const Station& station, SongInfo& songInfo, std::wstring& page) {
    // Fields go into a copy, so that a failure half-way changes nothing.
    SongInfo extracted = songInfo;
    std::wstring fetched;
    FetchStatus status;
    try {
        // Only running out of memory on a huge page can throw here.
        status = FetchOrThrow(station, extracted, fetched);
    } catch (const std::exception& error) {
        LogFailure("ページの処理で例外", std::string_view(error.what()));
        return FetchStatus::FetchFailed;
    }
    if (status == FetchStatus::NoAddress || status == FetchStatus::FetchFailed) return status;
    songInfo = std::move(extracted);
    page = std::move(fetched);
    return status;
}
