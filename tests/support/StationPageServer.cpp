#include "StationPageServer.h"

namespace {

struct WinsockStartup {
    WinsockStartup() : ok(::WSAStartup(MAKEWORD(2, 2), &data) == 0) {}
    ~WinsockStartup() {
        if (ok) ::WSACleanup();
    }
    WSADATA data{};
    bool ok;
};

// Closes a connection when its answer is done, on every path.
struct ClientSocket {
    explicit ClientSocket(SOCKET s) : socket(s) {}
    ~ClientSocket() {
        ::shutdown(socket, SD_SEND);
        ::closesocket(socket);
    }
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;
    SOCKET socket;
};

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

bool SendAll(SOCKET s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const int n = ::send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

StationPageServer::StationPageServer() {
    static WinsockStartup startup;
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return;
    sockaddr_in address = Loopback(0);
    int length = sizeof(address);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(listener_, 8) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

StationPageServer::~StationPageServer() {
    stopping_ = true;
    if (thread_.joinable()) {
        // Wake the blocking accept with a connection of our own.
        SOCKET wake = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = Loopback(port_);
        ::connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        thread_.join();
        ::closesocket(wake);
    }
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
}

std::wstring StationPageServer::Url(const std::string& path) const {
    const std::string url = "http://127.0.0.1:" + std::to_string(port_) + path;
    return std::wstring(url.begin(), url.end());
}

void StationPageServer::Put(const std::string& path, const std::string& contentType, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    contents_[path] = Content{contentType, body};
}

int StationPageServer::Hits(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = hits_.find(path);
    return found == hits_.end() ? 0 : found->second;
}

void StationPageServer::Serve() {
    while (!stopping_) {
        SOCKET accepted = ::accept(listener_, nullptr, nullptr);
        if (accepted == INVALID_SOCKET) break;
        ClientSocket client(accepted);
        if (stopping_) break;
        DWORD timeout = 5000;
        ::setsockopt(client.socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        ::setsockopt(client.socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        std::string head;
        char chunk[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            const int n = ::recv(client.socket, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            head.append(chunk, static_cast<size_t>(n));
        }
        if (head.compare(0, 4, "GET ") != 0) continue;
        const size_t end = head.find(' ', 4);
        if (end == std::string::npos) continue;
        Answer(client.socket, head.substr(4, end - 4));
    }
}

void StationPageServer::Answer(SOCKET client, const std::string& path) {
    Content content;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto entry = contents_.find(path);
        if (entry != contents_.end()) {
            content = entry->second;
            found = true;
            ++hits_[path];
        }
    }
    if (!found) content = Content{"text/plain", "not here"};
    SendAll(client, std::string(found ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
                        "\r\nContent-Type: " + content.contentType +
                        "\r\nContent-Length: " + std::to_string(content.body.size()) +
                        "\r\nConnection: close\r\n\r\n" + content.body);
}
