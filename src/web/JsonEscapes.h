#pragma once
// Backslash escapes of JSON strings in text cut out of a feed.
#include <string>

// Replaces \" \\ \/ \b \f \n \r \t and \uXXXX (a surrogate pair gives one
// character). A lone surrogate becomes U+FFFD; any other backslash sequence
// stays as written.
std::wstring UnescapeJson(const std::wstring& text);
