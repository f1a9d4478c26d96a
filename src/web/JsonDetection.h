#pragma once
// Whether a response is a JSON feed rather than a page.
#include <string_view>

// application/json, text/json or an application/...+json type, parameters
// and letter case aside.
bool IsJsonMediaType(std::string_view contentType);

// The text starts with '{' or '[' after white space (and a UTF-8 byte order
// mark, for the bytes).
bool StartsLikeJson(std::string_view bytes);
bool StartsLikeJson(std::wstring_view text);
