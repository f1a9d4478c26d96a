#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ScopedHandle.h"
#include "support/LoopbackServer.h"
#include "web/FetchSongInfo.h"
#include "web/HeadlessBrowser.h"
#include "web/NavigationSound.h"
#include "web/WebBrowser.h"

namespace {

// Sets the default value of a key for the length of a test suite and puts
// back what was there, removing the key when it did not exist.
class RegistryDefaultOverride {
public:
    RegistryDefaultOverride(HKEY root, const std::wstring& path, const std::wstring& value) : root_(root), path_(path) {
        HKEY key;
        keyExisted_ = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (keyExisted_) {
            DWORD size = 0;
            if (RegQueryValueExW(key, nullptr, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
                data_.resize(size);
                valueExisted_ = RegQueryValueExW(key, nullptr, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
            }
            RegCloseKey(key);
        }
        Set(value);
    }
    ~RegistryDefaultOverride() {
        if (!keyExisted_) {
            RegDeleteTreeW(root_, path_.c_str());
            RegDeleteKeyW(root_, path_.c_str());
            return;
        }
        HKEY key;
        if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        if (valueExisted_) RegSetValueExW(key, nullptr, 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
        else RegDeleteValueW(key, nullptr);
        RegCloseKey(key);
    }
    void Set(const std::wstring& value) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                                 nullptr));
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }

private:
    HKEY root_;
    std::wstring path_;
    bool keyExisted_ = false;
    bool valueExisted_ = false;
    DWORD type_ = REG_SZ;
    std::vector<BYTE> data_;
};

std::wstring ReadString(HKEY root, const wchar_t* path, const wchar_t* name) {
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(root, path, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"(none)";
    return value;
}

std::wstring StandIn(const wchar_t* name) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path = module;
    path = path.substr(0, path.find_last_of(L'\\')) + L"\\..\\tools\\" + name + L"\\" + name + L".exe";
    wchar_t full[MAX_PATH];
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

const std::string kPage =
    "<html><head><title>Head Song - Nobody</title></head>"
    "<body class=\"now\"><p>Song A - Singer \xF0\x9F\x98\x80</p><img src=\"ART\"></body></html>";
const std::string kJpeg = "\xFF\xD8\xFF\xE0";

class WebBrowserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        explorer = new RegistryDefaultOverride(
            HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32",
            L"\"" + StandIn(L"browser_standin") + L"\"");
        headless = new RegistryDefaultOverride(
            HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe",
            StandIn(L"headless_standin"));
        sound = new RegistryDefaultOverride(HKEY_CURRENT_USER, kit::NavigationSound::kKeyPath, L"");
    }
    static void TearDownTestSuite() {
        delete explorer;
        delete headless;
        delete sound;
    }
    void SetUp() override { sound->Set(kClick); }

    static kit::WebBrowser::Options HeadlessOptions() {
        kit::WebBrowser::Options options;
        CoCreateGuid(&options.engine);  // a class nobody registered
        options.deadlineMs = 3000;
        return options;
    }
    std::wstring Sound() { return ReadString(HKEY_CURRENT_USER, kit::NavigationSound::kKeyPath, nullptr); }
    std::wstring ObservedSound() {
        return ReadString(HKEY_CURRENT_USER, L"Software\\KestrelTest", L"ObservedNavigatingSound");
    }

    static constexpr const wchar_t* kClick = L"C:\\Windows\\Media\\click.wav";
    static RegistryDefaultOverride* explorer;
    static RegistryDefaultOverride* headless;
    static RegistryDefaultOverride* sound;

    LoopbackServer server{[this](const LoopbackServer::Request& request, LoopbackServer&, SOCKET s) {
        if (request.target == "/art.jpg") return LoopbackServer::Answer(s, 200, kJpeg);
        std::string page = kPage;
        const std::wstring art = server.Url("/art.jpg");
        page.replace(page.find("ART"), 3, std::string(art.begin(), art.end()));
        LoopbackServer::Answer(s, 200, page, "Content-Type: text/html; charset=utf-8\r\n");
    }};
    const std::wstring kBody = L"<p>Song A - Singer \U0001F600</p><img src=\"" + server.Url("/art.jpg") + L"\">";
};

RegistryDefaultOverride* WebBrowserTest::explorer;
RegistryDefaultOverride* WebBrowserTest::headless;
RegistryDefaultOverride* WebBrowserTest::sound;

TEST_F(WebBrowserTest, ExplorerGivesTheBodyWhileTheClickIsSilenced) {
    std::wstring html;
    ASSERT_TRUE(kit::WebBrowser::FetchBodyHtml(server.Url("/now"), html));
    EXPECT_EQ(kBody, html);
    EXPECT_EQ(L"", ObservedSound());
    EXPECT_EQ(kClick, Sound());

    // An empty sound stays empty.
    sound->Set(L"");
    ASSERT_TRUE(kit::WebBrowser::FetchBodyHtml(server.Url("/again"), html));
    EXPECT_EQ(L"", Sound());
}

TEST_F(WebBrowserTest, ExplorerFailuresAndMissingBodies) {
    kit::WebBrowser::Options options;
    options.deadlineMs = 500;
    std::wstring html = L"unchanged";
    EXPECT_FALSE(kit::WebBrowser::FetchBodyHtml(server.Url("/busy"), html, options));
    EXPECT_FALSE(kit::WebBrowser::FetchBodyHtml(L"http://127.0.0.1:1/", html, options));
    EXPECT_EQ(L"unchanged", html);
    EXPECT_EQ(kClick, Sound());
    EXPECT_TRUE(kit::WebBrowser::FetchBodyHtml(server.Url("/nobody"), html, options));
    EXPECT_EQ(L"", html);
}

// A script error box would wait for a click; a browser that hangs anyway is
// ended at the deadline, and the click comes back all the same.
TEST_F(WebBrowserTest, SilentAndEndedWhenItHangs) {
    std::wstring html;
    ASSERT_TRUE(kit::WebBrowser::FetchBodyHtml(server.Url("/script"), html));
    EXPECT_EQ(kBody, html);

    kit::WebBrowser::Options options;
    options.deadlineMs = 1000;
    options.quitTimeoutMs = 500;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(kit::WebBrowser::FetchBodyHtml(server.Url("/stall"), html, options));
    EXPECT_LT(GetTickCount64() - start, 2500u);
    const DWORD id = std::stoul(ReadString(HKEY_CURRENT_USER, L"Software\\KestrelTest", L"BrowserProcessId"));
    kit::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (process) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 1000));
    }
    EXPECT_EQ(kClick, Sound());
}

// A run ended while the click was silenced leaves the user's sound in the
// backup; the next start puts it back unless the user has set one since.
TEST_F(WebBrowserTest, ASoundLeftSilencedIsPutBackAtTheNextStart) {
    const wchar_t* backupKey = kit::NavigationSound::kBackupKeyPath;
    {
        kit::NavigationSound silenced;
        silenced.Silence();
        EXPECT_EQ(L"", Sound());
        EXPECT_EQ(kClick, ReadString(HKEY_CURRENT_USER, backupKey, kit::NavigationSound::kBackupValue));
    }
    // As a run ended at that moment leaves the registry.
    sound->Set(L"");
    RegSetKeyValueW(HKEY_CURRENT_USER, backupKey, kit::NavigationSound::kBackupValue, REG_SZ, kClick,
                    static_cast<DWORD>((wcslen(kClick) + 1) * sizeof(wchar_t)));
    kit::NavigationSound::RestoreLeftSilenced();
    EXPECT_EQ(kClick, Sound());
    EXPECT_EQ(L"(none)", ReadString(HKEY_CURRENT_USER, backupKey, kit::NavigationSound::kBackupValue));

    RegSetKeyValueW(HKEY_CURRENT_USER, backupKey, kit::NavigationSound::kBackupValue, REG_SZ, L"old.wav",
                    sizeof(L"old.wav"));
    kit::NavigationSound::RestoreLeftSilenced();
    EXPECT_EQ(kClick, Sound());
    EXPECT_EQ(L"(none)", ReadString(HKEY_CURRENT_USER, backupKey, kit::NavigationSound::kBackupValue));
}

TEST_F(WebBrowserTest, HeadlessBrowserWhenExplorerIsMissing) {
    std::wstring html;
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\KestrelTest", L"ObservedNavigatingSound");
    ASSERT_TRUE(kit::WebBrowser::FetchBodyHtml(server.Url("/now"), html, HeadlessOptions()));
    EXPECT_EQ(kBody, html);
    EXPECT_EQ(L"(none)", ObservedSound());

    const DWORD start = GetTickCount();
    EXPECT_FALSE(kit::WebBrowser::FetchBodyHtml(server.Url("/hang"), html, HeadlessOptions()));
    EXPECT_LT(GetTickCount() - start, 10000u);
    // Only web addresses reach the command line.
    for (const wchar_t* url : {L"--renderer-cmd-prefix=calc", L"file:///c:/windows/win.ini", L"http://a/\"b\nc"})
        EXPECT_FALSE(kit::WebBrowser::FetchBodyHtml(url, html, HeadlessOptions())) << url;
}

TEST_F(WebBrowserTest, FetchSongInfoTakesThePageFromTheBrowserAndTheArtworkOverHttp) {
    struct : ArtworkView {
        bool ShowArtwork(const std::wstring& path) override {
            shown = path;
            return true;
        }
        void ClearArtwork() override {}
        std::wstring shown;
    } view;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-browser-test";
    CreateDirectoryW(folder.c_str(), nullptr);
    Settings station;
    station.SetString(L"Url", server.Url("/now"));
    station.SetBool(L"Component", true);
    station.SetString(L"MatchPattern", L"<(?:title|p)>(.*?) - (.*?)</");
    station.SetString(L"Title", L"$1");
    station.SetString(L"Artwork", L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/art.jpg");
    SongInfo songInfo;
    ASSERT_TRUE(FetchSongInfo(station, folder, view, songInfo));
    // The head is not part of the body, so the title there cannot match.
    EXPECT_EQ(L"Song A", songInfo.title);
    EXPECT_EQ(folder + L"\\art.jpg", songInfo.artwork);
    EXPECT_EQ(songInfo.artwork, view.shown);
    EXPECT_EQ(kBody, station.GetString(L"Html"));
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ("/art.jpg", requests.back().target);
    DeleteFileW(songInfo.artwork.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(HeadlessBrowser, BodyOfDocument) {
    EXPECT_EQ(L"<p>x</p>", BodyOfDocument(L"<html><head></head><BODY a=1><p>x</p></Body></html>"));
    EXPECT_EQ(L"<bodyx>", BodyOfDocument(L"<bodyx><body><bodyx></body>"));
    EXPECT_EQ(L"no tags", BodyOfDocument(L"no tags"));
    EXPECT_EQ(L"open", BodyOfDocument(L"<body>open"));
    EXPECT_EQ(L"", BodyOfDocument(L"<body"));
}

}  // namespace
