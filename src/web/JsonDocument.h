#pragma once
// A parsed JSON feed, read through JSON Pointers (RFC 6901).
#include <memory>
#include <string>

class JsonDocument {
public:
    // A feed larger than this is no now-playing feed: it is not parsed, so
    // that a hostile one cannot make the parser hold many times its size.
    static constexpr size_t kParseLimit = size_t(4) << 20;

    // Parses `text`; invalid, too deep or too large text leaves no document.
    explicit JsonDocument(const std::wstring& text);
    ~JsonDocument();
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    bool valid() const { return root_ != nullptr; }
    // Whether the pointer ("/a/0/b"; "" for the whole text) names a value.
    bool Has(const std::wstring& pointer) const;
    // The value the pointer names: a string as its text, a number or
    // true/false as written, null as nothing, an object or array as its JSON
    // text. Empty when the pointer names nothing.
    std::wstring At(const std::wstring& pointer) const;

private:
    struct Root;
    std::unique_ptr<Root> root_;
};
