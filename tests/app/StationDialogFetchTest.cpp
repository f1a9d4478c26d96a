// The station dialog's page fetch against a server inside the test.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "DialogTestSupport.h"
#include "MessageDialogIds.h"
#include "app/StationDialog.h"
#include "app_ids.h"
#include "support/LoopbackServer.h"

using dialog_test::Click;
using dialog_test::ItemText;

namespace {

// The text of the message window over `owner`, read without sending a
// message: the server's thread reads it while the fetch runs.
// The notes shown inside `owner`: its visible child dialogs' texts.
std::wstring TextsShownOver(DWORD, HWND owner) {
    std::wstring texts;
    if (!owner) return texts;
    ::EnumChildWindows(
        owner,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t className[16] = {};
            ::GetClassNameW(child, className, 16);
            const HWND text = ::GetDlgItem(child, IDC_MESSAGE_TEXT);
            if (::IsWindowVisible(child) && std::wstring(className) == L"#32770" && text) {
                wchar_t shown[128] = {};
                ::InternalGetWindowText(text, shown, 128);
                *reinterpret_cast<std::wstring*>(data) += shown;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// Serves `body` as UTF-8 HTML at /now, noting what the test thread's windows
// said while the request was being served.
struct PageServer {
    PageServer(std::string body, DWORD uiThread)
        : server([this, body = std::move(body), uiThread](const LoopbackServer::Request&, LoopbackServer&, SOCKET s) {
              ++requests;
              shownDuringRequest = TextsShownOver(uiThread, watchedOwner);
              LoopbackServer::Answer(s, 200, body, "Content-Type: text/html; charset=utf-8\r\n");
          }) {}
    std::wstring Url() const { return server.Url("/now"); }

    std::atomic<HWND> watchedOwner{nullptr};
    std::wstring shownDuringRequest;
    std::atomic<int> requests{0};
    LoopbackServer server;  // last: it stops before the members it writes go
};

// An address where nothing listens: a server's port a moment after it stopped.
std::wstring DeadUrl() {
    LoopbackServer gone;
    return gone.Url("/");
}

// Runs the thread's messages, as the dialog's loop would, until `done` or
// five seconds.
template <class Done>
bool PumpUntil(Done done) {
    const ULONGLONG deadline = ::GetTickCount64() + 5000;
    while (!done()) {
        if (::GetTickCount64() > deadline) return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

using StationDialogFetch = dialog_test::OverMainWindow;

TEST_F(StationDialogFetch, FetchedPageIsShownAndTested) {
    PageServer server("<p class=\"song\">\xE9\x9D\x92\xE3\x81\x84\xE6\x9C\x88 / Ella</p>", ::GetCurrentThreadId());
    Settings station;
    station.SetString(L"Url", server.Url());
    station.SetString(L"MatchPattern", L"\"song\">(.*?) / (.*?)<");
    station.SetString(L"Title", L"$1");
    station.SetString(L"Artist", L"$2");
    window.ShowStation(station);
    StationDialog dialog(window, true);
    ASSERT_TRUE(dialog.Create(&window, IDD_STATION));
    HWND h = dialog.handle();
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"HTMLが取得されていません");

    server.watchedOwner = h;
    Click(h, IDC_STATION_FETCH);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.fetching(); }));
    EXPECT_EQ(server.requests, 1);
    EXPECT_EQ(server.shownDuringRequest, L"WEBから取得中...");
    EXPECT_EQ(TextsShownOver(::GetCurrentThreadId(), h), L"");  // the message window is gone
    EXPECT_EQ(ItemText(h, IDC_STATION_HTML), L"<p class=\"song\">\r\n青い月 / Ella</p>");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"青い月");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_ARTIST), L"Ella");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_ALBUM), L"");

    ::SetDlgItemTextW(h, IDC_STATION_URL, DeadUrl().c_str());
    Click(h, IDC_STATION_FETCH);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.fetching(); }));
    EXPECT_EQ(ItemText(h, IDC_STATION_HTML), L"取得失敗");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"検索に失敗しました");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_ARTIST), L"検索に失敗しました");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_ALBUM), L"");
}

TEST_F(StationDialogFetch, PageTextStopsAtTheBoxLimit) {
    std::string line(79, 'a');
    line += '\n';
    std::string body;
    while (body.size() < StationDialog::kPageLimit + 5000) body += line;
    PageServer server(body, ::GetCurrentThreadId());
    Settings station;
    station.SetString(L"Url", server.Url());
    station.SetString(L"MatchPattern", L"a{3}");
    station.SetString(L"Title", L"found");
    window.ShowStation(station);
    StationDialog dialog(window, true);
    ASSERT_TRUE(dialog.Create(&window, IDD_STATION));
    HWND h = dialog.handle();
    Click(h, IDC_STATION_FETCH);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.fetching(); }));
    EXPECT_EQ(::GetWindowTextLengthW(::GetDlgItem(h, IDC_STATION_HTML)), StationDialog::kPageLimit);
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"found");
}

// A page that trickles in over a second: the dialog answers meanwhile, a
// second click starts nothing, and a dialog closed before the page comes
// drops it.
TEST_F(StationDialogFetch, TheDialogAnswersWhileThePageTrickles) {
    std::atomic<int> served{0};
    LoopbackServer server([&served](const LoopbackServer::Request&, LoopbackServer&, SOCKET s) {
        const std::string body = "<p>Song / Singer</p>";
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n");
        for (char c : body) {
            ::Sleep(50);
            LoopbackServer::Send(s, std::string(1, c));
        }
        ++served;
    });
    Settings station;
    station.SetString(L"Url", server.Url("/now"));
    station.SetString(L"MatchPattern", L"<p>(.*?) / (.*?)</p>");
    station.SetString(L"Title", L"$1");
    window.ShowStation(station);
    auto dialog = std::make_unique<StationDialog>(window, true);
    ASSERT_TRUE(dialog->Create(&window, IDD_STATION));
    HWND h = dialog->handle();

    const ULONGLONG start = ::GetTickCount64();
    Click(h, IDC_STATION_FETCH);
    EXPECT_LT(::GetTickCount64() - start, 250u);
    Click(h, IDC_STATION_FETCH);
    EXPECT_EQ(TextsShownOver(::GetCurrentThreadId(), h), L"WEBから取得中...");
    std::atomic<bool> asked{false};
    bool answered = false;
    std::thread asker([&] {
        DWORD_PTR ignored = 0;
        answered = ::SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, 250, &ignored) != 0;
        asked = true;
    });
    PumpUntil([&] { return asked.load(); });
    asker.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(served, 0);
    ASSERT_TRUE(PumpUntil([&] { return !dialog->fetching(); }));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"Song");

    Click(h, IDC_STATION_FETCH);
    dialog.reset();
    PumpUntil([&] { return served == 2; });
    const ULONGLONG settled = ::GetTickCount64() + 500;
    PumpUntil([&] { return ::GetTickCount64() > settled; });
    EXPECT_EQ(TextsShownOver(::GetCurrentThreadId(), h), L"");
}

}  // namespace
