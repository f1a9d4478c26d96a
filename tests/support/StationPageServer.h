#pragma once
// A station's web server on 127.0.0.1 for the end-to-end test, the demo and
// the benchmarks: it answers GET requests for the paths it was given (the
// now-playing page, artwork pictures) from its own thread, one connection at
// a time, and 404 for anything else. Contents can be replaced at any moment.
#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class StationPageServer {
public:
    StationPageServer();
    ~StationPageServer();
    StationPageServer(const StationPageServer&) = delete;
    StationPageServer& operator=(const StationPageServer&) = delete;

    bool listening() const { return port_ != 0; }
    unsigned short port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    std::wstring Url(const std::string& path) const;

    void Put(const std::string& path, const std::string& contentType, const std::string& body);
    // Requests answered for this path so far.
    int Hits(const std::string& path);

private:
    struct Content {
        std::string contentType;
        std::string body;
    };
    void Serve();
    void Answer(SOCKET client, const std::string& path);

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::map<std::string, Content> contents_;
    std::map<std::string, int> hits_;
    std::thread thread_;
};
