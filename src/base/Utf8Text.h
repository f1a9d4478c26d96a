#pragma once
// UTF-8, the encoding of JSON, addresses and playlist files, to and from the UTF-16 text
// used inside.
#include <string>
#include <string_view>

// A lone surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);
