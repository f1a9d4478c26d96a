#pragma once
// Conversions between the bytes that arrive from outside (pages, the ANSI
// strings of libraries) and the UTF-16 text used everywhere inside.
#include <windows.h>
#include <oleauto.h>

#include <string>

// ANSI code page to UTF-16; stops at the first zero byte.
std::wstring ToWide(const std::string& ansi);
// Bytes in `codePage` to UTF-16; stops at the first zero byte.
std::wstring ToWide(const std::string& bytes, UINT codePage);
// UTF-16 to the ANSI code page; stops at the first zero character.
// Characters the code page lacks become its default character.
std::string ToNarrow(const std::wstring& text);

// A COM string as it stands, up to its first zero character.
std::wstring BstrToWide(BSTR bstr);
