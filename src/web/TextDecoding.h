#pragma once
// Conversions between the bytes that arrive from outside (pages, the ANSI
// strings of libraries) and the UTF-16 text used everywhere inside.
#include <windows.h>
#include <oleauto.h>

#include <string>

// ANSI code page to UTF-16; stops at the first zero byte.
std::wstring ToWide(const std::string& ansi);
// UTF-16 to the ANSI code page; stops at the first zero character.
// Characters the code page lacks become its default character.
std::string ToNarrow(const std::wstring& text);

// The text of a fetched page. `headerCharset` is the charset named by the
// response's Content-Type (empty when none); a known one decides, otherwise
// the page's own <meta> declaration, otherwise the ANSI code page.
// The text ends at the first zero byte of the page.
std::wstring DecodePageBytes(const std::string& bytes, const std::string& headerCharset = {});

// A COM string as it stands, up to its first zero character.
std::wstring BstrToWide(BSTR bstr);
