#include "web/ArtworkSearch.h"

#include <windows.h>

#include <cstdint>
#include <exception>
#include <vector>

#include "settings/Settings.h"
#include "settings/SettingsCatalogue.h"
#include "web/Http.h"
#include "web/JsonDocument.h"
#include "base/SongText.h"
#include "web/UrlText.h"
#include "base/Utf8Text.h"

namespace {

// The service answers with at most `limit` results; a larger list is not read.
constexpr int kResultsRead = 50;
constexpr size_t kAnswerLimit = size_t(1) << 20;

std::wstring QueryUrl(const std::wstring& service, const std::wstring& artist, const std::wstring& title) {
    const wchar_t separator = service.find(L'?') == std::wstring::npos ? L'?' : L'&';
    return service + separator + L"term=" + EncodeQueryValue(artist + L" " + title) +
           L"&media=music&entity=song&limit=5&country=JP";
}

// The 100-pixel picture's address names the larger one by its size.
std::wstring LargeArtwork(std::wstring url) {
    const size_t size = url.rfind(L"100x100");
    if (size != std::wstring::npos) url.replace(size, 7, L"600x600");
    return url;
}

}  // namespace

ArtworkSearch::Prepared ArtworkSearch::Prepare(const std::wstring& artist, const std::wstring& title) {
    Prepared prepared;
    if (!root_.GetBool(L"IsArtworkSearch") || artist.empty() || title.empty()) return prepared;
    if (cache_.Get(artist, title, prepared.known.artworkUrl)) {
        prepared.known.outcome = prepared.known.artworkUrl.empty() ? Outcome::NotFound : Outcome::Found;
        return prepared;
    }
    if (!throttle_.TryTake(GetTickCount64())) {
        prepared.known.outcome = Outcome::Throttled;
        return prepared;
    }
    prepared.known.outcome = Outcome::Failed;  // until asked
    prepared.queryUrl = QueryUrl(ArtworkSearchUrl(root_), artist, title);
    return prepared;
}

void ArtworkSearch::Remember(const std::wstring& artist, const std::wstring& title, const Result& result) {
    if (result.outcome == Outcome::Found || result.outcome == Outcome::NotFound)
        cache_.Put(artist, title, result.artworkUrl);
}

ArtworkSearch::Result ArtworkSearch::Find(const std::wstring& artist, const std::wstring& title) {
    const Prepared prepared = Prepare(artist, title);
    if (prepared.queryUrl.empty()) return prepared.known;
    const Result result = Ask(prepared.queryUrl, artist, title);
    Remember(artist, title, result);
    return result;
}

ArtworkSearch::Result ArtworkSearch::Ask(const std::wstring& url, const std::wstring& artist,
                                         const std::wstring& title) {
    Result result;
    result.outcome = Outcome::Failed;
    // Only running out of memory on a huge answer can throw here.
    try {
        kit::Http http;
        std::vector<std::uint8_t> body;
        if (!http.Open(url) || http.StatusCode() >= 400) return result;
        http.ReadBytes(body, kAnswerLimit);
        const std::string_view bytes(reinterpret_cast<const char*>(body.data()), body.size());
        const JsonDocument answer(FromUtf8(bytes));
        if (!answer.Has(L"/results")) return result;
        result.outcome = Outcome::NotFound;
        for (int i = 0; i < kResultsRead; ++i) {
            const std::wstring item = L"/results/" + std::to_wstring(i);
            if (!answer.Has(item)) break;
            if (!SameSongText(answer.At(item + L"/artistName"), artist) ||
                !SameSongText(answer.At(item + L"/trackName"), title))
                continue;
            const std::wstring artwork = answer.At(item + L"/artworkUrl100");
            if (artwork.empty()) continue;
            result.outcome = Outcome::Found;
            result.artworkUrl = LargeArtwork(artwork);
            break;
        }
    } catch (const std::exception&) {
        return Result{Outcome::Failed, {}};
    }
    return result;
}
