// Settings Save and Load of 50 stations with a 200 KB page each, against
// bare zlib compress and uncompress of the same body bytes.
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "base/File.h"
#include "settings/Settings.h"

namespace {

std::wstring PageText(int origin) {
    std::wstring page = L"<html><head><meta charset=\"utf-8\"><title>放送中</title></head><body>\n";
    unsigned state = 12345u + origin;
    while (page.size() < 100000) {  // 100,000 UTF-16 units: 200 KB
        state = state * 1103515245u + 12345u;
        page += L"<div class=\"song\" id=\"s" + std::to_wstring(state % 100000) + L"\"><span>曲名 " +
                std::to_wstring(state % 977) + L"</span><a href=\"/artwork/" + std::to_wstring(state % 7919) +
                L".jpg\">アーティスト</a></div>\n";
    }
    page.resize(100000);
    return page;
}

std::vector<std::uint8_t> ReadAll(const std::wstring& path) {
    kit::File file;
    std::vector<std::uint8_t> bytes;
    if (!file.OpenRead(path)) return bytes;
    bytes.resize(static_cast<size_t>(file.size()));
    file.Read(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace

int main() {
    Settings root;
    root.SetBool(L"IgnoreFirst", true);
    for (int i = 0; i < 50; ++i) {
        Settings& station = root.Group(L"Station").Group(L"局 " + std::to_wstring(i));
        station.SetString(L"StationName", L"局 " + std::to_wstring(i));
        station.SetString(L"Url", L"http://127.0.0.1/now-playing/" + std::to_wstring(i));
        station.SetString(L"MatchPattern", L"<span>(.*?)</span>");
        station.SetInt(L"WaitTime", 10);
        station.SetString(L"Html", PageText(i));
    }
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"kestrel-bench-settings.dat";

    const double save = bench::BestOf(5, [&] { root.Save(path); });
    const std::vector<std::uint8_t> file = ReadAll(path);
    const std::uint32_t n = file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::uint32_t>(file[7]) << 24;
    std::vector<std::uint8_t> body(n);
    uLongf length = n;
    uncompress(body.data(), &length, file.data() + 12, static_cast<uLong>(file.size() - 12));

    std::vector<std::uint8_t> packed(compressBound(n));
    const double compressOnly = bench::BestOf(5, [&] {
        uLongf packedLength = static_cast<uLongf>(packed.size());
        compress(packed.data(), &packedLength, body.data(), n);
    });
    const double load = bench::BestOf(5, [&] {
        Settings loaded;
        loaded.Load(path);
    });
    // Load has to create the memory its values live in, so the fair bare
    // equivalent allocates its output too; the warm-buffer figure is shown
    // for reference (under Wine, touching fresh pages dominates).
    const double uncompressOnly = bench::BestOf(5, [&] {
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[n]);
        uLongf outLength = n;
        uncompress(out.get(), &outLength, file.data() + 12, static_cast<uLong>(file.size() - 12));
    });
    std::vector<std::uint8_t> warm(n);
    const double uncompressWarm = bench::BestOf(5, [&] {
        uLongf outLength = n;
        uncompress(warm.data(), &outLength, file.data() + 12, static_cast<uLong>(file.size() - 12));
    });

    std::printf("body %u bytes, file %zu bytes\n", n, file.size());
    bench::Report("Settings::Save vs zlib compress", save, compressOnly, 1.5);
    bench::Report("Settings::Load vs zlib uncompress", load, uncompressOnly, 1.5);
    std::printf("(zlib uncompress into an already touched buffer: %.2f ms)\n", uncompressWarm);
    ::DeleteFileW(path.c_str());
    return 0;
}
