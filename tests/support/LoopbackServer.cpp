#include "LoopbackServer.h"

#include <ws2tcpip.h>

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

LoopbackServer::LoopbackServer() : LoopbackServer(Handler()) {}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
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

LoopbackServer::~LoopbackServer() {
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

std::wstring LoopbackServer::Url(const std::string& target) const {
    const std::string url = "http://127.0.0.1:" + std::to_string(port_) + target;
    return std::wstring(url.begin(), url.end());
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::Put(const std::string& path, const std::string& contentType, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    contents_[path] = Content{contentType, body};
}

int LoopbackServer::Hits(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = hits_.find(path);
    return found == hits_.end() ? 0 : found->second;
}

bool LoopbackServer::Send(SOCKET s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const int n = ::send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void LoopbackServer::Answer(SOCKET s, int status, const std::string& body, const std::string& headers) {
    Send(s, "HTTP/1.1 " + std::to_string(status) + " Scripted\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n" + headers + "\r\n" + body);
}

void LoopbackServer::AnswerFromTable(const Request& request, SOCKET s) {
    Content content{"text/plain", "not here"};
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto entry = contents_.find(request.target);
        if (entry != contents_.end()) {
            content = entry->second;
            found = true;
            ++hits_[request.target];
        }
    }
    Answer(s, found ? 200 : 404, content.body, "Content-Type: " + content.contentType + "\r\n");
}

void LoopbackServer::Serve() {
    while (!stopping_) {
        SOCKET accepted = ::accept(listener_, nullptr, nullptr);
        if (accepted == INVALID_SOCKET) break;
        ClientSocket client(accepted);
        if (stopping_) break;
        DWORD timeout = 5000;
        ::setsockopt(client.socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        ::setsockopt(client.socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        std::string head;
        char chunk[4096];
        bool plainHttp = true;
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            const int n = ::recv(client.socket, chunk, sizeof(chunk), 0);
            if (n <= 0) break;
            head.append(chunk, static_cast<size_t>(n));
            // A TLS hello is not HTTP: hang up at once rather than wait.
            if (!head.empty() && !(head[0] >= 'A' && head[0] <= 'Z')) {
                plainHttp = false;
                break;
            }
        }
        if (!plainHttp || head.find("\r\n\r\n") == std::string::npos) continue;
        Request request;
        const size_t start = head.find(' ') + 1;
        request.target = head.substr(start, head.find(' ', start) - start);
        request.userAgent = HeaderValue(head, "User-Agent");
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        if (handler_)
            handler_(request, *this, client.socket);
        else
            AnswerFromTable(request, client.socket);
    }
}
