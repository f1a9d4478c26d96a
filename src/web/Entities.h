#pragma once
// HTML character references in text cut out of a page.
#include <string>

// Replaces the named references (&quot; &amp; &gt; &lt; &nbsp; &copy;, in
// that order, each pass resuming where it replaced) and then the decimal and
// the hexadecimal references. A numeric reference that names no character
// (0, a surrogate, above U+10FFFF, more than 32 bits) stays as written.
std::wstring DecodeEntities(const std::wstring& text);
