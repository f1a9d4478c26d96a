#include "tags/PlaylistFile.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"
#include "base/Utf8Text.h"

namespace {

const char kHeader[] = "#EXTM3U\r\n";
const char kByteOrderMark[] = "\xEF\xBB\xBF";
// Far below the 255 characters of a name, with room for " (1)" and the extension.
constexpr std::size_t kMaxStem = 120;

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool IsDeviceName(const std::wstring& stem) {
    // Windows ignores what follows the first dot and trailing spaces.
    std::wstring base = stem.substr(0, stem.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (SameText(base, name)) return true;
    if (base.size() == 4 && (SameText(base.substr(0, 3), L"COM") || SameText(base.substr(0, 3), L"LPT")))
        return (base[3] >= L'1' && base[3] <= L'9') || base[3] == L'\u00B9' || base[3] == L'\u00B2' ||
               base[3] == L'\u00B3';
    return false;
}

// One line of text: a line break inside a field would end the entry early.
std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    return text;
}

std::vector<std::wstring> Components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Whether the last line of the file that is not empty is `line`; `tail` is
// the file's end, `whole` when it is all of the file.
bool EndsWithLine(const std::string& tail, bool whole, const std::string& line) {
    std::size_t end = tail.size();
    while (end > 0 && (tail[end - 1] == '\n' || tail[end - 1] == '\r')) --end;
    if (end < line.size() || tail.compare(end - line.size(), line.size(), line) != 0) return false;
    const std::size_t start = end - line.size();
    return start > 0 ? tail[start - 1] == '\n' : whole;
}

}  // namespace

std::wstring PlaylistFileName(const std::wstring& stationName) {
    static const wchar_t kForbidden[] = L"<>:\"/\\|?*";
    static const wchar_t kLookAlikes[] = L"＜＞：＂／＼｜？＊";
    std::wstring stem;
    for (wchar_t c : stationName) {
        if (const wchar_t* found = std::wcschr(kForbidden, c); found && c)
            stem += kLookAlikes[found - kForbidden];
        else
            stem += c < 32 ? L'_' : c;
    }
    if (stem.size() > kMaxStem) {
        stem.resize(kMaxStem);
        // Not half of a surrogate pair.
        if (IS_HIGH_SURROGATE(stem.back())) stem.pop_back();
    }
    while (!stem.empty() && (stem.back() == L'.' || stem.back() == L' ')) stem.pop_back();
    if (stem.empty()) stem = L"_";
    // Behind the device name itself: "COM1.x" is the device as much as "COM1".
    if (IsDeviceName(stem)) stem.insert(std::min(stem.find(L'.'), stem.size()), 1, L'_');
    return stem + L".m3u8";
}

std::wstring PlaylistRelativePath(const std::wstring& playlistFolder, const std::wstring& songPath) {
    const std::vector<std::wstring> folder = Components(playlistFolder), song = Components(songPath);
    std::size_t shared = 0;
    while (shared < folder.size() && shared + 1 < song.size() && SameText(folder[shared], song[shared])) ++shared;
    // Another drive or share: only the full path finds it.
    const bool sameRoot = shared >= (songPath.compare(0, 2, L"\\\\") == 0 ? 2u : 1u);
    if (!sameRoot) return songPath;
    std::wstring relative;
    for (std::size_t i = shared; i < folder.size(); ++i) relative += L"..\\";
    for (std::size_t i = shared; i < song.size(); ++i) relative += song[i] + (i + 1 < song.size() ? L"\\" : L"");
    return relative;
}

bool AppendToPlaylist(const std::wstring& playlistPath, const PlaylistEntry& entry, bool byteOrderMark) {
    const std::string path = ToUtf8(OneLine(PlaylistRelativePath(DirectoryOf(playlistPath), entry.songPath)));
    std::wstring name = entry.artist.empty() || entry.title.empty() ? entry.artist + entry.title
                                                                    : entry.artist + L" - " + entry.title;
    if (name.empty()) name = RemoveExtension(FileNameOf(entry.songPath));
    const std::string lines = "#EXTINF:" + std::to_string(entry.seconds < 0 ? -1 : entry.seconds) + "," +
                              ToUtf8(OneLine(name)) + "\r\n" + path + "\r\n";

    // Append access only: every write lands at the end, whatever the position.
    kit::UniqueHandle file(::CreateFileW(ExtendedLengthPath(playlistPath).c_str(), FILE_READ_DATA | FILE_APPEND_DATA,
                                         FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) return false;
    std::string text;
    if (size.QuadPart == 0) {
        if (byteOrderMark) text = kByteOrderMark;
        text += kHeader;
    } else {
        // Just enough of the end to tell whether the last line is this song's path.
        const LONGLONG tailBytes = static_cast<LONGLONG>(path.size()) + 3;
        std::string tail(static_cast<std::size_t>(std::min(size.QuadPart, tailBytes)), '\0');
        // A read at an offset: no seek of its own.
        const ULONGLONG from = static_cast<ULONGLONG>(size.QuadPart) - tail.size();
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(from);
        at.OffsetHigh = static_cast<DWORD>(from >> 32);
        DWORD got = 0;
        if (!::ReadFile(file.Get(), tail.data(), static_cast<DWORD>(tail.size()), &got, &at) || got != tail.size())
            return false;
        if (EndsWithLine(tail, tail.size() == static_cast<std::size_t>(size.QuadPart), path)) return true;
        // The user's last line may lack its line break.
        if (tail.back() != '\n') text = "\r\n";
    }
    text += lines;
    DWORD written = 0;
    if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return false;
    if (written != text.size()) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}
