#pragma once
// Fetches one resource by an HTTP GET over WinHTTP, synchronously.
// Order of use: construct, Open, then ReadText or ReadBytes if it succeeded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "web/WinHttpHandle.h"

namespace kit {

class Http {
public:
    // Every caller sends this one.
    static const wchar_t kUserAgent[];
    // A server that never stops sending must not exhaust memory.
    static constexpr std::size_t kPageLimit = std::size_t(16) << 20;
    static constexpr std::size_t kImageLimit = std::size_t(32) << 20;

    explicit Http(const wchar_t* userAgent = kUserAgent);
    virtual ~Http();
    Http(const Http&) = delete;
    Http& operator=(const Http&) = delete;

    // Sends the request: http or https (TLS) to the address's host and port.
    // True once a response has arrived, whatever its status; an error page
    // reads like any other body. An earlier request of this object is closed.
    bool Open(const std::wstring& url);
    // The whole body, at most `limit` bytes, into `buffer`; returns its length.
    // A failing read ends it with what has arrived.
    std::size_t ReadBytes(std::vector<std::uint8_t>& buffer, std::size_t limit = kImageLimit);
    // Appends the body, decoded as its Content-Type or its page declares.
    void ReadText(std::wstring& text);
    // The response's status code; 0 without a response.
    DWORD StatusCode() const;
    // The response's Content-Type value (non-ASCII characters as '?'); empty when none.
    std::string ContentType() const;

private:
    std::string ResponseCharset() const;

    // Declared so that they close request first, session last.
    WinHttpHandle openHandle_;
    WinHttpHandle connectHandle_;
    WinHttpHandle requestHandle_;
};

}  // namespace kit
