#pragma once
// Addresses built from what a page or the user gives.
#include <string>

// `reference` ("img/a.jpg", "/a.jpg", "//host/a.jpg" or a whole address)
// resolved against `base`, the address of the page it came from
// (UrlCombineW). Unchanged when empty or when it cannot be combined.
std::wstring ResolveUrl(const std::wstring& base, const std::wstring& reference);

// `text` as UTF-8 percent-encoded for a query value: only letters, digits
// and "-_.~" stay as they are.
std::wstring EncodeQueryValue(const std::wstring& text);
