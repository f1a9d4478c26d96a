#pragma once
// Fetches one resource by an HTTP GET over WinHTTP, synchronously.
// Order of use: construct, Open, then ReadText or ReadBytes if it succeeded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ScopedHandle.h"

namespace kit {

class Http {
public:
    // Every caller sends this one.
    static const wchar_t kUserAgent[];
    // A server that never stops sending must not exhaust memory.
    static constexpr std::size_t kPageLimit = std::size_t(16) << 20;
    static constexpr std::size_t kImageLimit = std::size_t(16) << 20;
    // No single step (name resolution, connection, sending, one receive)
    // waits longer than this, in milliseconds.
    static constexpr DWORD kStepTimeout = 10000;
    // A whole resource, from the request to its last byte, gets this long: a
    // server that trickles a byte now and then must not hold the fetch.
    static constexpr DWORD kPageBudget = 20000;
    static constexpr DWORD kArtworkBudget = 20000;

    explicit Http(const wchar_t* userAgent = kUserAgent);
    virtual ~Http();
    Http(const Http&) = delete;
    Http& operator=(const Http&) = delete;

    // Sends the request: http or https (TLS) to the address's host and port.
    // True once a response has arrived, whatever its status; an error page
    // reads like any other body. An earlier request of this object is closed.
    // The budget, in milliseconds, covers this call and the reading after it.
    bool Open(const std::wstring& url, DWORD budget = kPageBudget);
    // The whole body, at most `limit` bytes, into `buffer`; returns its length.
    // A failing read or the end of the budget ends it with what has arrived.
    std::size_t ReadBytes(std::vector<std::uint8_t>& buffer, std::size_t limit = kImageLimit);
    // Appends the body, decoded as its Content-Type or its page declares.
    void ReadText(std::wstring& text);
    // The response's status code; 0 without a response.
    DWORD StatusCode() const;
    // The response's Content-Type value (non-ASCII characters as '?'); empty when none.
    std::string ContentType() const;

private:
    bool Request(const std::wstring& url, DWORD budget);
    // Bounds the next blocking step by what is left of the budget; false
    // when nothing is left.
    bool LimitNextStep();
    std::string ResponseCharset() const;

    ULONGLONG deadline_ = 0;

    // Declared so that they close request first, session last.
    WinHttpHandle openHandle_;
    WinHttpHandle connectHandle_;
    WinHttpHandle requestHandle_;
};

}  // namespace kit
