#pragma once
#include <string>

// About `size` bytes of a plausible UTF-8 station page, Japanese included,
// with the now-playing block in the middle.
inline std::string SamplePage(size_t size) {
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>\xE6\x94\xBE\xE9\x80\x81\xE4\xB8\xAD</title></head><body>\n";
    const std::string filler =
        "<li class=\"item\"><a href=\"/program/123\">\xE7\x95\xAA\xE7\xB5\x84\xE8\xA1\xA8 schedule &amp; news</a>"
        "<span>caf\xC3\xA9 \xE3\x81\x82\xE3\x81\x84\xE3\x81\x86</span></li>\n";
    while (page.size() < size / 2) page += filler;
    page += "<div class=\"now\"><div class=\"title\">Song &amp; Title</div>\n<div class=\"artist\">"
            "\xE6\xAD\x8C\xE6\x89\x8B</div><img src=\"http://example.invalid/art/cover.jpg\"></div>\n";
    while (page.size() < size) page += filler;
    return page + "</body></html>";
}
