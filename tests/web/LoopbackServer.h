#pragma once
// A small HTTP server on 127.0.0.1 inside the test, serving scripted answers
// from its own thread, one connection at a time, each closed after its answer.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    struct Request {
        std::string target;  // "/path?query" as sent
        std::string userAgent;
    };
    // Writes the whole answer; helpers below do the sending.
    using Handler = std::function<void(const Request&, LoopbackServer&, SOCKET)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    unsigned short port() const { return port_; }
    std::wstring Url(const std::string& target) const;
    std::vector<Request> requests();
    bool stopping() const { return stopping_; }

    static bool Send(SOCKET s, const std::string& data);
    // A complete answer with Content-Length and the given extra header lines.
    static void Answer(SOCKET s, int status, const std::string& body, const std::string& headers = {});

private:
    void Serve();

    Handler handler_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<Request> requests_;
    std::thread thread_;
};
