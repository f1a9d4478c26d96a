#include "web/ArtworkDownload.h"

#include <cstdint>
#include <exception>
#include <vector>

#include "web/ArtworkFile.h"
#include "web/Http.h"

std::wstring DownloadArtwork(const std::wstring& folder, const std::wstring& url) {
    if (url.empty()) return {};
    try {
        kit::Http http;
        std::vector<std::uint8_t> bytes;
        if (!http.Open(url, kit::Http::kArtworkBudget) || http.StatusCode() >= 400 ||
            http.ReadBytes(bytes, kit::Http::kImageLimit) == 0)
            return {};
        return SaveArtwork(folder, url, bytes);
    } catch (const std::exception&) {
        return {};  // out of memory on a huge picture
    }
}
