#pragma once
// Which charset label a station's response is decoded by.
#include <string>
#include <string_view>

// The station's Charset setting when it names a charset this program reads
// (it decides before the header and the page); otherwise the response
// header's charset; otherwise UTF-8 for a JSON feed, which has no
// declaration of its own; otherwise empty, leaving it to the page.
std::string ChosenCharset(const std::wstring& setting, std::string_view contentType, bool isJson);
