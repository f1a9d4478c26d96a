#include "LoopbackServer.h"

#include <ws2tcpip.h>

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockStartup() { WSACleanup(); }
};

std::string HeaderValue(const std::string& head, const std::string& name) {
    size_t pos = 0;
    while ((pos = head.find("\r\n", pos)) != std::string::npos) {
        pos += 2;
        if (_strnicmp(head.c_str() + pos, name.c_str(), name.size()) == 0 && head.compare(pos + name.size(), 1, ":") == 0) {
            size_t start = head.find_first_not_of(' ', pos + name.size() + 1);
            return head.substr(start, head.find("\r\n", start) - start);
        }
    }
    return {};
}

}  // namespace

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    static WinsockStartup startup;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 8);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    // Wake the accept with a connection of our own before closing.
    SOCKET wake = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    thread_.join();
    closesocket(wake);
    closesocket(listener_);
}

std::wstring LoopbackServer::Url(const std::string& target) const {
    const std::string url = "http://127.0.0.1:" + std::to_string(port_) + target;
    return std::wstring(url.begin(), url.end());
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool LoopbackServer::Send(SOCKET s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const int n = send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

void LoopbackServer::Answer(SOCKET s, int status, const std::string& body, const std::string& headers) {
    Send(s, "HTTP/1.1 " + std::to_string(status) + " Scripted\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n" + headers + "\r\n" + body);
}

void LoopbackServer::Serve() {
    while (!stopping_) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) break;
        if (stopping_) {
            closesocket(client);
            break;
        }
        DWORD timeout = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        std::string head;
        char chunk[4096];
        bool plainHttp = true;
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            const int n = recv(client, chunk, sizeof(chunk), 0);
            if (n <= 0) break;
            head.append(chunk, n);
            // A TLS hello is not HTTP: hang up at once rather than wait.
            if (!head.empty() && !(head[0] >= 'A' && head[0] <= 'Z')) {
                plainHttp = false;
                break;
            }
        }
        if (plainHttp && head.find("\r\n\r\n") != std::string::npos) {
            Request request;
            const size_t start = head.find(' ') + 1;
            request.target = head.substr(start, head.find(' ', start) - start);
            request.userAgent = HeaderValue(head, "User-Agent");
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            handler_(request, *this, client);
        }
        shutdown(client, SD_SEND);
        closesocket(client);
    }
}
