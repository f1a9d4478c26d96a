#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "LoopbackServer.h"
#include "web/FetchSongInfo.h"

namespace {

const std::string kJpeg = "\xFF\xD8\xFF\xE0 not really a picture";

class RecordingArtworkView : public ArtworkView {
public:
    void ShowArtwork(const std::wstring& path) override { shown.push_back(path); }
    void ClearArtwork() override { ++cleared; }
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
        RemoveDirectoryW(folder.c_str());
    }

    bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string artworkTarget = "/art/cover.jpg?size=2";
    std::string page;
    LoopbackServer server{[this](const LoopbackServer::Request& request, LoopbackServer&, SOCKET s) {
        if (request.target == "/now") {
            LoopbackServer::Answer(s, 200, page, "Content-Type: text/html; charset=utf-8\r\n");
        } else if (request.target == "/art/cover.jpg?size=2") {
            LoopbackServer::Answer(s, 200, kJpeg);
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

    station.SetString(L"MatchPattern", L"(");
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"", songInfo.title);
    EXPECT_EQ(L"", songInfo.artist);
    EXPECT_EQ(L"", songInfo.artwork);
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

TEST_F(FetchSongInfoTest, NoAddressOrNoPageChangesNothing) {
    station.SetString(L"Html", L"previous page");
    station.SetString(L"Url", L"");
    EXPECT_FALSE(FetchSongInfo(station, folder, view, songInfo));
    station.SetString(L"Url", L"http://127.0.0.1:1/now");
    EXPECT_FALSE(FetchSongInfo(station, folder, view, songInfo));
    EXPECT_EQ(L"previous page", station.GetString(L"Html"));
    EXPECT_EQ(L"old title", songInfo.title);
    EXPECT_EQ(L"old artwork", songInfo.artwork);
    EXPECT_TRUE(Exists(stale));
    EXPECT_EQ(0, view.cleared);
}

}  // namespace
