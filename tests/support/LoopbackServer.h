#pragma once
// A small HTTP server on 127.0.0.1 inside the test, one connection at a time
// from its own thread, each closed after its answer. Either a handler writes
// each answer (scripted faults), or the server answers from a table of paths
// that may be replaced at any moment (a station's pages and pictures), with
// 404 for any other path.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <map>
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

    // Answers from the table that Put fills.
    LoopbackServer();
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool listening() const { return port_ != 0; }
    unsigned short port() const { return port_; }
    // "http://127.0.0.1:<port>" + target
    std::wstring Url(const std::string& target) const;
    std::vector<Request> requests();
    bool stopping() const { return stopping_; }

    void Put(const std::string& path, const std::string& contentType, const std::string& body);
    // Requests answered from the table for this path so far.
    int Hits(const std::string& path);

    static bool Send(SOCKET s, const std::string& data);
    // A complete answer with Content-Length and the given extra header lines.
    static void Answer(SOCKET s, int status, const std::string& body, const std::string& headers = {});

private:
    struct Content {
        std::string contentType;
        std::string body;
    };
    void Serve();
    void AnswerFromTable(const Request& request, SOCKET s);

    Handler handler_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<Request> requests_;
    std::map<std::string, Content> contents_;
    std::map<std::string, int> hits_;
    std::thread thread_;
};
