#include <gtest/gtest.h>

#include <random>

#include "web/Entities.h"
#include "web/TextDecoding.h"

namespace {

// Damaged pages of every declared kind: decoding must neither crash nor grow.
TEST(DecodingRobustness, MutatedPagesDecodeWithoutFault) {
    const std::string seeds[] = {
        "<html><head><meta charset=\"utf-8\"><title>\xE6\x97\xA5 &amp; &#128512;</title></head>"
        "<body>caf\xC3\xA9 &#x3042;&lt;b&gt;</body></html>",
        "<meta http-equiv=Content-Type content='text/html; charset=EUC-JP'>\xC6\xFC\x8E\xB1\x8F\xA2\xAF"
        "&#12354;&quot;",
        "<meta charset=Shift_JIS>\x93\xFA\x96\x7B\x81\x40&nbsp;&copy;&#x1F600;",
    };
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        std::string page = seeds[round % 3];
        const int edits = 1 + random() % 8;
        for (int e = 0; e < edits; ++e) {
            const size_t pos = page.empty() ? 0 : random() % page.size();
            switch (random() % 4) {
            case 0: if (!page.empty()) page[pos] = static_cast<char>(random()); break;
            case 1: page.insert(pos, 1, static_cast<char>(random())); break;
            case 2: if (!page.empty()) page.erase(pos, 1 + random() % 6); break;
            default: page.insert(pos, "&#" + std::to_string(random()) + (random() % 2 ? ";" : "")); break;
            }
        }
        const std::wstring text = DecodePageBytes(page, round % 5 == 0 ? "euc-jp" : "");
        ASSERT_LE(text.size(), page.size());
        const std::wstring decoded = DecodeEntities(text);
        ASSERT_LE(decoded.size(), text.size());
    }
}

}  // namespace
