#pragma once
// The text of a fetched page, in whichever charset it came.
#include <string>

#include "base/TextConversion.h"

// The text of a fetched page. `headerCharset` is the charset named by the
// response's Content-Type (empty when none); a known one decides, otherwise
// the page's own <meta> declaration, otherwise the ANSI code page.
// The text ends at the first zero byte of the page.
std::wstring DecodePageBytes(const std::string& bytes, const std::string& headerCharset = {});
