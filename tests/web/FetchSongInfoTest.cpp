#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "support/LoopbackServer.h"
#include "settings/Station.h"
#include "web/ArtworkDownload.h"
#include "web/ArtworkSearch.h"
#include "web/FetchSongInfo.h"

namespace {

const std::string kJpeg = "\xFF\xD8\xFF\xE0 not really a picture";

class RecordingArtworkView : public ArtworkView {
public:
    bool ShowArtwork(const std::wstring& path) override {
        // stands for our decoder failing on a damaged picture
        if (!decodes || path.find(L"broken") != std::wstring::npos) return false;
        shown.push_back(path);
        return true;
    }
    void ClearArtwork() override { ++cleared; }
    bool decodes = true;
    std::vector<std::wstring> shown;
    int cleared = 0;
};

class FetchSongInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"kestrel-fetch-test";
        CreateDirectoryW(folder.c_str(), nullptr);
        stale = folder + L"\\stale.png";
        std::ofstream(stale.c_str()) << "old";
        station.SetString(L"Url", server.Url("/now"));
        station.SetString(L"MatchPattern", L"<title>(.*?) - (.*?)</title>.*?src=\"(.*?)\"");
        station.SetString(L"Title", L"$1");
        station.SetString(L"Artist", L"$2");
        station.SetString(L"Artwork", L"$3");
        songInfo = {L"old title", L"old artist", L"old album", L"old artwork"};
    }
    void TearDown() override {
        DeleteFileW(stale.c_str());
        DeleteFileW((folder + L"\\cover.jpg").c_str());
        DeleteFileW((folder + L"\\600x600bb.jpg").c_str());
        RemoveDirectoryW(folder.c_str());
    }

    bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string artworkTarget = "/art/cover.jpg?size=2";
    std::string page;
    std::string pageHeaders = "Content-Type: text/html; charset=utf-8\r\n";
    std::string searchAnswer = "{\"resultCount\":0,\"results\":[]}";
    LoopbackServer server{[this](const LoopbackServer::Request& request, LoopbackServer&, SOCKET s) {
        if (request.target.rfind("/now", 0) == 0) {
            if (request.target == "/now/slow") Sleep(600);
            LoopbackServer::Answer(s, 200, page, pageHeaders);
        } else if (request.target == "/art/cover.jpg?size=2" || request.target == "/art/600x600bb.jpg") {
            LoopbackServer::Answer(s, 200, kJpeg);
        } else if (request.target == "/art/broken.jpg") {
            LoopbackServer::Answer(s, 200, "\xFF\xD8\xFF broken");
        } else if (request.target.rfind("/search?", 0) == 0) {
            LoopbackServer::Answer(s, 200, searchAnswer, "Content-Type: text/javascript; charset=utf-8\r\n");
        } else if (request.target == "/art/empty.jpg") {
            LoopbackServer::Answer(s, 200, "");
        } else {
            LoopbackServer::Answer(s, 404, "no such thing");
        }
    }};
    std::wstring folder;
    std::wstring stale;
    Settings station;
    SongInfo songInfo;
    RecordingArtworkView view;

    std::string PageWithArtwork(const std::string& title, const std::string& artworkUrl) {
        return "<html><title>" + title + "</title><img src=\"" + artworkUrl + "\"></html>";
    }
    std::string ServerUrl(const std::string& target) {
        const std::wstring url = server.Url(target);
        return std::string(url.begin(), url.end());
    }
    size_t SearchRequests() {
        size_t count = 0;
        for (const auto& request : server.requests()) count += request.target.rfind("/search?", 0) == 0;
        return count;
    }
};

TEST_F(FetchSongInfoTest, FillsTheSongAndDownloadsTheArtwork) {
    page = PageWithArtwork("Caf\xC3\xA9 &amp; Co - Singer B", ServerUrl(artworkTarget));
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"Caf\u00E9 & Co", songInfo.title);
    EXPECT_EQ(L"Singer B", songInfo.artist);
    EXPECT_EQ(L"", songInfo.album);
    const std::wstring path = folder + L"\\cover.jpg";
    EXPECT_EQ(path, songInfo.artwork);
    ASSERT_EQ(1u, view.shown.size());
    EXPECT_EQ(path, view.shown[0]);
    std::ifstream file(path.c_str(), std::ios::binary);
    EXPECT_EQ(kJpeg, std::string(std::istreambuf_iterator<char>(file), {}));
    EXPECT_FALSE(Exists(stale));
    EXPECT_EQ(L"<html><title>Caf\u00E9 &amp; Co - Singer B</title><img src=\"" + server.Url(artworkTarget) +
                  L"\"></html>",
              station.GetString(L"Html"));

    // A picture our decoder refuses is neither kept nor handed on.
    file.close();
    view.decodes = false;
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"", songInfo.artwork);
    EXPECT_FALSE(Exists(path));
}

TEST_F(FetchSongInfoTest, ArtworkThatCannotBeFetched) {
    for (const std::string& artworkUrl : {std::string("img/a.jpg"), std::string(""), ServerUrl("/art/empty.jpg")}) {
        page = PageWithArtwork("Song A - Singer B", artworkUrl);
        view = RecordingArtworkView();
        songInfo.artwork = L"old artwork";
        ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
        EXPECT_EQ(L"Song A", songInfo.title);
        EXPECT_EQ(L"", songInfo.artwork) << artworkUrl;
        EXPECT_EQ(1, view.cleared);
        EXPECT_TRUE(view.shown.empty());
    }
}

TEST_F(FetchSongInfoTest, LineBreaksAndPatterns) {
    page = "<title>Song\r\nA - Singer B</title>";
    station.SetString(L"MatchPattern", L"<title>(.*?) - (.*?)</title>");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"Song\r\nA", songInfo.title);
    station.SetBool(L"DeleteReturn", true);
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"SongA", songInfo.title);
    // The stored page keeps its line breaks.
    EXPECT_EQ(L"<title>Song\r\nA - Singer B</title>", station.GetString(L"Html"));

    FetchStatus status = FetchStatus::Ok;
    for (const wchar_t* pattern : {L"(", L"<h1>(.*)</h1>"}) {
        station.SetString(L"MatchPattern", pattern);
        ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo, nullptr, &status));
        EXPECT_EQ(FetchStatus::PatternMismatch, status) << pattern;
        EXPECT_EQ(L"", songInfo.title);
        EXPECT_EQ(L"", songInfo.artist);
        EXPECT_EQ(L"", songInfo.artwork);
    }
    // An error page is still read as it always was, but reported.
    station.SetString(L"Url", server.Url("/gone"));
    station.SetString(L"MatchPattern", L"(no) such (thing)");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo, nullptr, &status));
    EXPECT_EQ(FetchStatus::ErrorStatus, status);
    EXPECT_EQ(L"no", songInfo.title);
}

// 200,000 references, each completing the one before it: the field is cut to
// 1,024 characters before its references are decoded.
TEST_F(FetchSongInfoTest, AHugeFieldIsCutBeforeDecoding) {
    std::string title = "&#1";
    for (int i = 0; i < 200000; ++i) title += "&#49;";
    page = PageWithArtwork(title + " - Singer B", "");
    const auto start = GetTickCount64();
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(L"&#" + std::wstring(205, L'1') + L"&", songInfo.title);
    EXPECT_EQ(L"Singer B", songInfo.artist);
}

// The worker's pieces: a typed station record in, the page and the fields out.
TEST_F(FetchSongInfoTest, PageFieldsFromAStationRecord) {
    Station record = ReadStation(station);
    record.pattern = L"<title>(.*?) - (.*?)</title>";
    record.removeLineBreaks = true;
    page = "<title>Song\r\nA - Singer B</title>";
    std::wstring fetched;
    EXPECT_EQ(FetchStatus::Ok, FetchPageFields(record, songInfo, fetched));
    EXPECT_EQ(L"SongA", songInfo.title);
    EXPECT_EQ(L"Singer B", songInfo.artist);
    EXPECT_EQ(L"<title>Song\r\nA - Singer B</title>", fetched);

    record.url = server.Url("/gone");
    record.pattern = L"(no) such (thing)";
    EXPECT_EQ(FetchStatus::ErrorStatus, FetchPageFields(record, songInfo, fetched));
    EXPECT_EQ(L"no", songInfo.title);
    EXPECT_EQ(L"no such thing", fetched);

    // Nothing fetched: neither the fields nor the page change.
    for (const std::wstring& url : {std::wstring(), std::wstring(L"http://127.0.0.1:1/now")}) {
        record.url = url;
        EXPECT_EQ(url.empty() ? FetchStatus::NoAddress : FetchStatus::FetchFailed,
                  FetchPageFields(record, songInfo, fetched));
        EXPECT_EQ(L"no", songInfo.title);
        EXPECT_EQ(L"no such thing", fetched);
    }
}

TEST_F(FetchSongInfoTest, DownloadedArtworkIsSavedOrNothingIs) {
    const std::wstring path = DownloadArtwork(folder, server.Url(artworkTarget));
    EXPECT_EQ(folder + L"\\cover.jpg", path);
    std::ifstream file(path.c_str(), std::ios::binary);
    EXPECT_EQ(kJpeg, std::string(std::istreambuf_iterator<char>(file), {}));
    for (const std::wstring& url : {std::wstring(), server.Url("/art/empty.jpg"), server.Url("/art/none.jpg")})
        EXPECT_EQ(L"", DownloadArtwork(folder, url)) << url;
}

TEST_F(FetchSongInfoTest, NoAddressOrNoPageChangesNothing) {
    station.SetString(L"Html", L"previous page");
    FetchStatus status = FetchStatus::Ok;
    station.SetString(L"Url", L"");
    EXPECT_FALSE(FetchSongInfo(station, folder, view, songInfo, nullptr, &status));
    EXPECT_EQ(FetchStatus::NoAddress, status);
    station.SetString(L"Url", L"http://127.0.0.1:1/now");
    EXPECT_FALSE(FetchSongInfo(station, folder, view, songInfo, nullptr, &status));
    EXPECT_EQ(FetchStatus::FetchFailed, status);
    EXPECT_EQ(L"previous page", station.GetString(L"Html"));
    EXPECT_EQ(L"old title", songInfo.title);
    EXPECT_EQ(L"old artwork", songInfo.artwork);
    EXPECT_TRUE(Exists(stale));
    EXPECT_EQ(0, view.cleared);
}

TEST_F(FetchSongInfoTest, JsonFeedThroughAPatternOrThroughPointers) {
    // Escapes a regular expression leaves as written; raw UTF-8 with no charset named.
    std::string image = ServerUrl(artworkTarget);
    for (size_t i = 0; (i = image.find('/', i)) != std::string::npos; i += 2) image.insert(i, 1, '\\');
    page = "{\"now_playing\":{\"song\":{\"title\":\"Caf\\u00e9 \\ud83c\\udfb5 \\\"Live\\\"\",\"artist\":\"A\\/B\","
           "\"album\":\"Caf\xC3\xA9\",\"image\":\"" + image + "\"},\"year\":1999}}";
    pageHeaders = "Content-Type: application/json\r\n";
    station.SetString(L"MatchPattern", L"\"title\":\"(.*?)\",\"artist\":\"(.*?)\",\"album\":\"(.*?)\",\"image\":\"(.*?)\"");
    station.SetString(L"Album", L"$3");
    station.SetString(L"Artwork", L"$4");
    const std::wstring title = L"Caf\u00E9 \U0001F3B5 \"Live\"";
    FetchStatus status = FetchStatus::NoAddress;
    const auto expectFeedSong = [&](const std::wstring& album) {
        ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo, nullptr, &status));
        EXPECT_EQ(FetchStatus::Ok, status);
        EXPECT_EQ(title, songInfo.title);
        EXPECT_EQ(L"A/B", songInfo.artist);
        EXPECT_EQ(album, songInfo.album);
        EXPECT_EQ(folder + L"\\cover.jpg", songInfo.artwork);
    };
    expectFeedSong(L"Caf\u00E9");

    // The same fields with no pattern at all, served as plain text.
    pageHeaders = "Content-Type: text/plain\r\n";
    station.SetString(L"MatchPattern", L"");
    station.SetString(L"Title", L"{/now_playing/song/title}");
    station.SetString(L"Artist", L"{/now_playing/song/artist}");
    station.SetString(L"Album", L"{/now_playing/song/album} ({/now_playing/year}) $1\\t{/missing}");
    station.SetString(L"Artwork", L"{/now_playing/song/image}");
    songInfo.Clear();
    expectFeedSong(L"Caf\u00E9 (1999) \t");

    // An HTML page keeps its pointer-like text and its entity decoding.
    pageHeaders = "Content-Type: text/html\r\n";
    page = "<p>x &amp; y</p>";
    station.SetString(L"MatchPattern", L"<p>(.*?)</p>");
    station.SetString(L"Title", L"$1 {/now_playing/song/title}");
    station.SetString(L"Artist", L"$2");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo, nullptr, &status));
    EXPECT_EQ(L"x & y {/now_playing/song/title}", songInfo.title);
    EXPECT_EQ(FetchStatus::FieldsEmpty, status);
}

TEST_F(FetchSongInfoTest, AForcedCharsetOverridesTheHeaderAndThePage) {
    page = "<meta charset=\"utf-8\"><title>\x93\xFA\x96\x7B - Singer B</title>";
    station.SetString(L"MatchPattern", L"<title>(.*?) - (.*?)</title>");
    station.SetString(L"Charset", L"Shift_JIS");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"\u65E5\u672C", songInfo.title);
    station.SetString(L"Charset", L"");  // automatic: the header's UTF-8 wins
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_NE(L"\u65E5\u672C", songInfo.title);
}

TEST_F(FetchSongInfoTest, RelativeArtworkAddressFollowsThePage) {
    station.SetString(L"Url", server.Url("/now?station=1"));
    pageHeaders = "Content-Type: text/html\r\n";
    page = PageWithArtwork("Song A - Singer B", "art/cover.jpg?size=2");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(folder + L"\\cover.jpg", songInfo.artwork);
}

TEST_F(FetchSongInfoTest, ArtworkSearchWhenThePageHasNoneOrABrokenOne) {
    Settings root;
    root.SetBool(L"IsArtworkSearch", true);
    root.SetString(L"ArtworkSearchUrl", server.Url("/search"));
    MemoryArtworkSearchCache cache;
    ArtworkSearch search(root, cache);
    // Other songs first; the match differs in case, width and spaces.
    searchAnswer = "{\"results\":[{\"artistName\":\"Singer B\",\"trackName\":\"Other\",\"artworkUrl100\":\"x\"},"
                   "{\"artistName\":\"\xEF\xBC\xB3\xEF\xBC\xA9NGER  b\",\"trackName\":\" song\xE3\x80\x80" "a \","
                   "\"artworkUrl100\":\"" + ServerUrl("/art/100x100bb.jpg") + "\"}]}";
    station.SetString(L"Url", server.Url("/now"));
    page = PageWithArtwork("Song A - Singer B", "/art/broken.jpg");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo, &search));
    EXPECT_EQ(folder + L"\\600x600bb.jpg", songInfo.artwork);
    EXPECT_FALSE(Exists(folder + L"\\broken.jpg"));
    ASSERT_EQ(1u, SearchRequests());
    EXPECT_EQ("/search?term=Singer%20B%20Song%20A&media=music&entity=song&limit=5&country=JP",
              server.requests()[2].target);

    // Nothing found is kept: the next song with that name asks no more.
    searchAnswer = "{\"resultCount\":0,\"results\":[]}";
    page = PageWithArtwork("Song C - Singer B", "");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo, &search));
        EXPECT_EQ(L"", songInfo.artwork);
    }
    EXPECT_EQ(2u, SearchRequests());
    root.SetBool(L"IsArtworkSearch", false);
    EXPECT_EQ(ArtworkSearch::Outcome::Off, search.Find(L"Singer B", L"Song D").outcome);
}

// The owner's thread prepares and remembers; only Ask talks to the service.
TEST_F(FetchSongInfoTest, ArtworkSearchInThreeSteps) {
    Settings root;
    root.SetBool(L"IsArtworkSearch", true);
    root.SetString(L"ArtworkSearchUrl", server.Url("/search"));
    MemoryArtworkSearchCache cache;
    ArtworkSearch search(root, cache);
    using Outcome = ArtworkSearch::Outcome;

    searchAnswer = "{\"results\":[{\"artistName\":\"Singer\",\"trackName\":\"Song 0\","
                   "\"artworkUrl100\":\"http://h/a/100x100bb.jpg\"}]}";
    ArtworkSearch::Prepared prepared = search.Prepare(L"Singer", L"Song 0");
    ASSERT_EQ(server.Url("/search") + L"?term=Singer%20Song%200&media=music&entity=song&limit=5&country=JP",
              prepared.queryUrl);
    EXPECT_EQ(0u, SearchRequests());
    ArtworkSearch::Result asked;
    std::thread([&] { asked = ArtworkSearch::Ask(prepared.queryUrl, L"Singer", L"Song 0"); }).join();
    EXPECT_EQ(Outcome::Found, asked.outcome);
    EXPECT_EQ(L"http://h/a/600x600bb.jpg", asked.artworkUrl);
    search.Remember(L"Singer", L"Song 0", asked);
    prepared = search.Prepare(L"Singer", L"Song 0");
    EXPECT_EQ(L"", prepared.queryUrl);
    EXPECT_EQ(L"http://h/a/600x600bb.jpg", prepared.known.artworkUrl);

    // An answer without a match is kept; a failure is not.
    prepared = search.Prepare(L"Singer", L"Song 1");
    search.Remember(L"Singer", L"Song 1", ArtworkSearch::Ask(prepared.queryUrl, L"Singer", L"Song 1"));
    EXPECT_EQ(Outcome::NotFound, search.Prepare(L"Singer", L"Song 1").known.outcome);
    const ArtworkSearch::Result failed = ArtworkSearch::Ask(server.Url("/gone"), L"Singer", L"Song 2");
    EXPECT_EQ(Outcome::Failed, failed.outcome);
    search.Remember(L"Singer", L"Song 2", failed);

    // Twenty queries a minute, two of them taken by Song 0 and Song 1.
    for (int i = 2; i < 20; ++i)
        EXPECT_NE(L"", search.Prepare(L"Singer", L"Song " + std::to_wstring(i)).queryUrl) << i;
    prepared = search.Prepare(L"Singer", L"Song 20");
    EXPECT_EQ(L"", prepared.queryUrl);
    EXPECT_EQ(Outcome::Throttled, prepared.known.outcome);
    EXPECT_EQ(Outcome::NotFound, search.Prepare(L"Singer", L"Song 1").known.outcome);
    EXPECT_EQ(2u, SearchRequests());
    EXPECT_EQ(Outcome::Off, search.Prepare(L"", L"Song 21").known.outcome);
    root.SetBool(L"IsArtworkSearch", false);
    EXPECT_EQ(Outcome::Off, search.Prepare(L"Singer", L"Song 0").known.outcome);
}

}  // namespace
