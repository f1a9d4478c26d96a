// The station dialog's page fetch against a server inside the test.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "DialogTestSupport.h"
#include "MessageDialogIds.h"
#include "app/StationDialog.h"
#include "app_ids.h"

using dialog_test::Click;
using dialog_test::ItemText;

namespace {

// The text of the message window over `owner`, read without sending a
// message: the owner's thread is blocked in the fetch.
struct ShownTexts {
    HWND owner;
    std::wstring texts;
    static BOOL CALLBACK Child(HWND child, LPARAM data) {
        wchar_t text[128] = {};
        ::InternalGetWindowText(child, text, 128);
        reinterpret_cast<ShownTexts*>(data)->texts += text;
        return TRUE;
    }
    static BOOL CALLBACK Top(HWND window, LPARAM data) {
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        const HWND owner = reinterpret_cast<ShownTexts*>(data)->owner;
        if (::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == owner && std::wstring(className) == L"#32770") {
            HWND text = ::GetDlgItem(window, IDC_MESSAGE_TEXT);
            if (text) Child(text, data);
        }
        return TRUE;
    }
};

std::wstring TextsShownOver(DWORD thread, HWND owner) {
    ShownTexts shown{owner, std::wstring()};
    ::EnumThreadWindows(thread, &ShownTexts::Top, reinterpret_cast<LPARAM>(&shown));
    return shown.texts;
}

// Serves `body` as UTF-8 HTML to each connection until destroyed, noting
// what the test thread's windows said while the request was being served.
class PageServer {
public:
    PageServer(std::string body, DWORD uiThread) : body_(std::move(body)), uiThread_(uiThread) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int length = sizeof(address);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listener_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~PageServer() {
        stopping_ = true;
        // wake the accept with a connection of our own
        SOCKET wake = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port_);
        ::connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        thread_.join();
        ::closesocket(wake);
        ::closesocket(listener_);
        ::WSACleanup();
    }
    std::wstring Url() const { return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/now"; }

    std::atomic<HWND> watchedOwner{nullptr};
    std::wstring shownDuringRequest;
    std::atomic<int> requests{0};

private:
    void Serve() {
        for (;;) {
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET || stopping_) {
                if (client != INVALID_SOCKET) ::closesocket(client);
                return;
            }
            std::string head;
            char chunk[2048];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const int n = ::recv(client, chunk, sizeof(chunk), 0);
                if (n <= 0) break;
                head.append(chunk, static_cast<size_t>(n));
            }
            ++requests;
            shownDuringRequest = TextsShownOver(uiThread_, watchedOwner);
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                       std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
            for (size_t sent = 0; sent < answer.size();) {
                const int n = ::send(client, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }

    std::string body_;
    DWORD uiThread_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// An address where nothing listens: a port bound a moment ago and let go.
std::wstring DeadUrl() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(s);
    ::WSACleanup();
    return L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/";
}

using StationDialogFetch = dialog_test::OverMainWindow;

TEST_F(StationDialogFetch, FetchedPageIsShownAndTested) {
    PageServer server("<p class=\"song\">\xE9\x9D\x92\xE3\x81\x84\xE6\x9C\x88 / Ella</p>", ::GetCurrentThreadId());
    Settings& station = window.currentStation();
    station.SetString(L"Url", server.Url());
    station.SetString(L"MatchPattern", L"\"song\">(.*?) / (.*?)<");
    station.SetString(L"Title", L"$1");
    station.SetString(L"Artist", L"$2");
    StationDialog dialog(window, true);
    ASSERT_TRUE(dialog.Create(&window, IDD_STATION));
    HWND h = dialog.handle();
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"HTMLが取得されていません");

    server.watchedOwner = h;
    Click(h, IDC_STATION_FETCH);
    EXPECT_EQ(server.requests, 1);
    EXPECT_EQ(server.shownDuringRequest, L"WEBから取得中...");
    EXPECT_EQ(TextsShownOver(::GetCurrentThreadId(), h), L"");  // the message window is gone
    EXPECT_EQ(ItemText(h, IDC_STATION_HTML), L"<p class=\"song\">\r\n青い月 / Ella</p>");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"青い月");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_ARTIST), L"Ella");
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_ALBUM), L"");

    ::SetDlgItemTextW(h, IDC_STATION_URL, DeadUrl().c_str());
    Click(h, IDC_STATION_FETCH);
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
    window.currentStation().SetString(L"Url", server.Url());
    window.currentStation().SetString(L"MatchPattern", L"a{3}");
    window.currentStation().SetString(L"Title", L"found");
    StationDialog dialog(window, true);
    ASSERT_TRUE(dialog.Create(&window, IDD_STATION));
    HWND h = dialog.handle();
    Click(h, IDC_STATION_FETCH);
    EXPECT_EQ(::GetWindowTextLengthW(::GetDlgItem(h, IDC_STATION_HTML)), StationDialog::kPageLimit);
    EXPECT_EQ(ItemText(h, IDC_STATION_RESULT_TITLE), L"found");
}

}  // namespace
