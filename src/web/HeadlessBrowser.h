#pragma once
// The browser component's stand-in for systems without Internet Explorer:
// a Chromium-family browser run headless, printing the page it loaded.
#include <windows.h>

#include <string>

// The installed Edge or Chrome from the App Paths keys (the user's first,
// then the machine's); empty when there is none.
std::wstring FindHeadlessBrowser();

// Loads an http or https address in `browserPath` with --headless --dump-dom
// and gives the HTML of the body it printed. False when the address is not
// http(s), the browser cannot start, prints nothing or runs past `timeoutMs`.
bool LoadWithHeadlessBrowser(const std::wstring& browserPath, const std::wstring& url, DWORD timeoutMs,
                             std::wstring& bodyHtml);

// What stands between <body ...> and </body> of a serialised document; the
// whole text when it has no body tag.
std::wstring BodyOfDocument(const std::wstring& document);
