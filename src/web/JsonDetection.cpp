#include "web/JsonDetection.h"

#include <string>

namespace {

template <typename Char>
bool StartsWithBracket(std::basic_string_view<Char> text) {
    for (Char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '[';
    }
    return false;
}

}  // namespace

bool IsJsonMediaType(std::string_view contentType) {
    std::string type;
    for (char c : contentType.substr(0, contentType.find(';'))) {
        if (c == ' ' || c == '\t') continue;
        type += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (type == "application/json" || type == "text/json") return true;
    return type.rfind("application/", 0) == 0 && type.size() > 5 && type.compare(type.size() - 5, 5, "+json") == 0;
}

bool StartsLikeJson(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return StartsWithBracket(bytes);
}

bool StartsLikeJson(std::wstring_view text) {
    if (!text.empty() && text[0] == L'\uFEFF') text.remove_prefix(1);
    return StartsWithBracket(text);
}
