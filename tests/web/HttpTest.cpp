#include <gtest/gtest.h>

#include "support/LoopbackServer.h"
#include "web/Http.h"

namespace {

// The scripted answers, by request target.
void Script(const LoopbackServer::Request& request, LoopbackServer& server, SOCKET s) {
    const std::string& target = request.target;
    if (target == "/page" || target.rfind("/page?", 0) == 0) {
        LoopbackServer::Answer(s, 200, "<html>\x93\xFA\x96\x7B</html>", "Content-Type: text/html\r\n");
    } else if (target == "/charset") {
        // No declaration in the page: only the header says UTF-8.
        LoopbackServer::Answer(s, 200, "caf\xC3\xA9", "Content-Type: text/html; charset=\"UTF-8\"\r\n");
    } else if (target == "/chunked") {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                                "5\r\nHello\r\n7\r\n, world\r\n0\r\n\r\n");
    } else if (target == "/slow") {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\nfirst");
        Sleep(400);
        LoopbackServer::Send(s, "-last");
    } else if (target == "/endless") {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        const std::string block(64 * 1024, 'x');
        while (!server.stopping() && LoopbackServer::Send(s, block)) {
        }
    } else if (target == "/metas") {
        // A megabyte of meta tags that never close, no charset in the header.
        std::string body;
        while (body.size() < (1u << 20)) body += "<meta ";
        body.resize(1u << 20);
        LoopbackServer::Answer(s, 200, body, "Content-Type: text/html\r\n");
    } else if (target == "/empty") {
        LoopbackServer::Answer(s, 200, "");
    } else if (target == "/redirect") {
        LoopbackServer::Answer(s, 302, "moved", "Location: /page\r\n");
    } else if (target == "/truncated") {
        // Promises more than it sends, then hangs up.
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\npartial");
    } else if (target == "/hangup") {
        // Closes without any answer.
    } else {
        LoopbackServer::Answer(s, 404, "<h1>Not Found</h1>", "Content-Type: text/html\r\n");
    }
}

// Sleeps up to `ms`, less when the server is being torn down.
void WaitUnlessStopping(LoopbackServer& server, int ms) {
    for (int waited = 0; waited < ms && !server.stopping(); waited += 20) Sleep(20);
}

ULONGLONG MillisecondsSince(ULONGLONG start) { return GetTickCount64() - start; }

class HttpTest : public ::testing::Test {
protected:
    LoopbackServer server{Script};

    std::wstring Text(const std::string& target) {
        kit::Http http;
        std::wstring text = L"kept:";
        EXPECT_TRUE(http.Open(server.Url(target))) << target;
        http.ReadText(text);
        return text;
    }
};

TEST_F(HttpTest, FetchesFromTheAddressPortWithTheFixedUserAgent) {
    EXPECT_EQ(L"kept:<html>\u65E5\u672C</html>", Text("/page?a=1&b=2#part"));
    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/page?a=1&b=2", requests[0].target);
    EXPECT_EQ("Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)", requests[0].userAgent);
}

TEST_F(HttpTest, BodiesOfEveryShape) {
    EXPECT_EQ(L"kept:caf\u00E9", Text("/charset"));
    EXPECT_EQ(L"kept:Hello, world", Text("/chunked"));
    EXPECT_EQ(L"kept:first-last", Text("/slow"));
    EXPECT_EQ(L"kept:<html>\u65E5\u672C</html>", Text("/redirect"));
    // An error page reads like any other page.
    EXPECT_EQ(L"kept:<h1>Not Found</h1>", Text("/missing"));
    EXPECT_EQ(L"kept:", Text("/empty"));

    kit::Http http;
    ASSERT_TRUE(http.Open(server.Url("/empty")));
    std::vector<std::uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(0u, http.ReadBytes(bytes));
    EXPECT_TRUE(bytes.empty());
    // One object fetches several resources one after another.
    ASSERT_TRUE(http.Open(server.Url("/chunked")));
    EXPECT_EQ(12u, http.ReadBytes(bytes));
    EXPECT_EQ("Hello, world", std::string(bytes.begin(), bytes.end()));
}

TEST_F(HttpTest, UnclosedMetaTagsDecodeQuickly) {
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ((1u << 20) + 5, Text("/metas").size());
    EXPECT_LT(MillisecondsSince(start), 2000u);
}

TEST_F(HttpTest, AnEndlessBodyStopsAtTheLimit) {
    kit::Http http;
    ASSERT_TRUE(http.Open(server.Url("/endless")));
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(3u << 20, http.ReadBytes(bytes, 3u << 20));
    EXPECT_EQ(3u << 20, bytes.size());
    EXPECT_EQ('x', bytes.back());

    std::wstring text;
    ASSERT_TRUE(http.Open(server.Url("/endless")));
    http.ReadText(text);
    EXPECT_EQ(kit::Http::kPageLimit, text.size());
}

// Each answer, one byte after another, comes well inside one read's time-out;
// only the budget of the whole resource ends them. The budget also cuts short
// a read that is still waiting.
TEST(HttpBudget, TricklingAndSilentServersEndOnTime) {
    LoopbackServer trickling{[](const LoopbackServer::Request&, LoopbackServer& server, SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        while (!server.stopping() && LoopbackServer::Send(s, "x")) WaitUnlessStopping(server, 700);
    }};
    kit::Http http;
    std::vector<std::uint8_t> bytes;
    ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(http.Open(trickling.Url("/"), 1000));
    const std::size_t kept = http.ReadBytes(bytes);
    EXPECT_GE(MillisecondsSince(start), 950u);
    EXPECT_LT(MillisecondsSince(start), 1300u);
    EXPECT_GE(kept, 1u);
    EXPECT_LE(kept, 2u);
    EXPECT_EQ(std::string(kept, 'x'), std::string(bytes.begin(), bytes.end()));

    LoopbackServer silent{[](const LoopbackServer::Request&, LoopbackServer& server, SOCKET) {
        WaitUnlessStopping(server, 60000);
    }};
    start = GetTickCount64();
    EXPECT_FALSE(http.Open(silent.Url("/"), 1000));
    EXPECT_LT(MillisecondsSince(start), 1300u);
    EXPECT_EQ(0u, http.ReadBytes(bytes));
}

TEST_F(HttpTest, ABrokenOffBodyKeepsWhatArrived) {
    kit::Http http;
    ASSERT_TRUE(http.Open(server.Url("/truncated")));
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(7u, http.ReadBytes(bytes));
    EXPECT_EQ("partial", std::string(bytes.begin(), bytes.end()));
}

TEST_F(HttpTest, FailuresToConnectOrToAnswer) {
    kit::Http http;
    std::vector<std::uint8_t> bytes{1};
    EXPECT_FALSE(http.Open(L"img/a.jpg"));
    EXPECT_EQ(0u, http.ReadBytes(bytes));
    EXPECT_FALSE(http.Open(L""));
    EXPECT_FALSE(http.Open(L"ftp://127.0.0.1/a"));
    EXPECT_FALSE(http.Open(L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/" +
                           std::wstring(2100, L'a')));
    EXPECT_FALSE(http.Open(server.Url("/hangup")));
    // https selects TLS, which a plain HTTP port cannot answer.
    const std::wstring https = L"https://127.0.0.1:" + std::to_wstring(server.port()) + L"/page";
    EXPECT_FALSE(http.Open(https));
    // Nothing listens on the port of a finished server.
    unsigned short deadPort;
    {
        LoopbackServer gone{Script};
        deadPort = gone.port();
    }
    EXPECT_FALSE(http.Open(L"http://127.0.0.1:" + std::to_wstring(deadPort) + L"/page"));
}

}  // namespace
