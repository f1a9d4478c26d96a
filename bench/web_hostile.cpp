// Hostile page contents against the scans they once made slow. Each must end
// well inside the fetch's budget: target at most 500 ms for the charset scan
// and the references, at most 2 s for the hopeless pattern on 16 MiB.
#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "web/Entities.h"
#include "web/SongExtraction.h"
#include "web/TextDecoding.h"

int main() {
    std::string metas;
    while (metas.size() < (1u << 20)) metas += "<meta ";
    std::wstring chain = L"&#1";
    for (int i = 0; i < 200000; ++i) chain += L"&#49;";
    std::wstring page;
    while (page.size() < (16u << 20)) page += L"<td class=\"title\">Song</td>\n";
    const std::wstring pattern = L"title\">(.*?)<.*?artist\">(.*?)<";

    size_t sink = 0;
    const double charset = BestMilliseconds(3, [&] { sink += DecodePageBytes(metas).size(); });
    const double references = BestMilliseconds(3, [&] { sink += DecodeEntities(chain).size(); });
    const double hopeless = BestMilliseconds(3, [&] {
        const auto fields = ExtractSongFields(page, pattern, {L"$1", L"$2", L"", L""});
        sink += fields[0].size() + fields[1].size();
    });
    std::printf("1 MiB of \"<meta \", decoded:            %8.1f ms (target <= 500) %s\n", charset,
                charset <= 500 ? "ok" : "MISSED");
    std::printf("\"&#1\" + 200,000 \"&#49;\", decoded:      %8.1f ms (target <= 500) %s\n", references,
                references <= 500 ? "ok" : "MISSED");
    std::printf("hopeless pattern on 16 MiB, four fields: %8.1f ms (target <= 2000) %s  [%zu]\n", hopeless,
                hopeless <= 2000 ? "ok" : "MISSED", sink);
    return 0;
}
