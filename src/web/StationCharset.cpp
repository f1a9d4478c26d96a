#include "web/StationCharset.h"

#include "web/PageCharset.h"

std::string ChosenCharset(const std::wstring& setting, std::string_view contentType, bool isJson) {
    std::string label;
    for (wchar_t c : setting) label += c < 0x80 ? static_cast<char>(c) : '?';
    if (CharsetFromLabel(label) != PageCharset::Unknown) return label;
    label = CharsetOfContentType(contentType);
    if (CharsetFromLabel(label) != PageCharset::Unknown) return label;
    return isJson ? "UTF-8" : label;
}
