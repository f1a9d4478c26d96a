#include "ITunesStandInLibrary.h"

#include <windows.h>

#include <algorithm>
#include <sstream>

#include "base/ScopedHandle.h"

namespace {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    return bytes;
}

std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    std::wstring text(size, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                          size);
    return text;
}

// Fields are tab-separated on one line, so tabs, line breaks and the escape
// character itself are escaped.
void AppendField(std::string& line, const std::wstring& text) {
    line += '\t';
    for (char c : ToUtf8(text)) {
        switch (c) {
            case '\\': line += "\\\\"; break;
            case '\t': line += "\\t"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            default: line += c;
        }
    }
}

std::vector<std::wstring> SplitFields(const std::string& line) {
    std::vector<std::wstring> fields;
    std::string field;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            fields.push_back(FromUtf8(field));
            field.clear();
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            field += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            field += line[i];
        }
    }
    return fields;
}

long ToLong(const std::wstring& text) { return std::wcstol(text.c_str(), nullptr, 10); }

}  // namespace

StandInTrack& StandInLibrary::AddTrack(const std::wstring& name, const std::wstring& artist,
                                       const std::wstring& album) {
    StandInTrack track;
    track.id = nextId++;
    track.name = name;
    track.artist = artist;
    track.album = album;
    tracks.push_back(track);
    return tracks.back();
}

StandInTrack* StandInLibrary::FindTrack(long id) {
    const long index = IndexOf(id);
    return index ? &tracks[index - 1] : nullptr;
}

const StandInTrack* StandInLibrary::FindTrack(long id) const {
    const long index = IndexOf(id);
    return index ? &tracks[index - 1] : nullptr;
}

const StandInTrack* StandInLibrary::FindByName(const std::wstring& name) const {
    for (const StandInTrack& track : tracks) {
        if (track.name == name) return &track;
    }
    return nullptr;
}

long StandInLibrary::IndexOf(long id) const {
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].id == id) return static_cast<long>(i + 1);
    }
    return 0;
}

bool StandInLibrary::RemoveTrack(long id) {
    const long index = IndexOf(id);
    if (!index) return false;
    tracks.erase(tracks.begin() + (index - 1));
    for (StandInPlaylist& playlist : playlists) {
        auto& ids = playlist.trackIds;
        ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    }
    return true;
}

StandInPlaylist* StandInLibrary::FindPlaylist(const std::wstring& name) {
    for (StandInPlaylist& playlist : playlists) {
        if (playlist.name == name) return &playlist;
    }
    return nullptr;
}

const StandInPlaylist* StandInLibrary::FindPlaylist(const std::wstring& name) const {
    return const_cast<StandInLibrary*>(this)->FindPlaylist(name);
}

bool StandInLibrary::Save(const std::wstring& path) const {
    std::string text;
    auto trackLine = [](const char* kind, const StandInTrack& t) {
        std::string line = kind;
        AppendField(line, std::to_wstring(t.id));
        AppendField(line, t.enabled ? L"1" : L"0");
        AppendField(line, t.fileTrack ? L"1" : L"0");
        for (const std::wstring* field : {&t.name, &t.artist, &t.album, &t.comment, &t.composer,
                                          &t.location, &t.lyrics, &t.artwork}) {
            AppendField(line, *field);
        }
        return line + '\n';
    };
    for (const StandInTrack& t : tracks) text += trackLine("track", t);
    for (const StandInTrack& t : insertOnAdd) text += trackLine("insert", t);
    for (const StandInPlaylist& p : playlists) {
        std::string line = "playlist";
        AppendField(line, !p.user ? L"0" : p.smart ? L"smart" : p.folder ? L"folder" : L"1");
        AppendField(line, p.name);
        for (long id : p.trackIds) AppendField(line, std::to_wstring(id));
        text += line + '\n';
    }
    for (const auto& [member, count] : failures) {
        std::string line = "fail";
        AppendField(line, member);
        AppendField(line, std::to_wstring(count));
        text += line + '\n';
    }
    text += "busy\t" + std::to_string(busyPolls) + '\n';
    text += "reject\t" + std::to_string(rejectMs) + '\n';
    text += "connections\t" + std::to_string(connections) + '\n';
    if (holdDeletedFiles) text += "hold\t1\n";
    if (!hangMember.empty()) {
        std::string line = "hang";
        AppendField(line, hangMember);
        AppendField(line, std::to_wstring(hangMs));
        text += line + '\n';
    }

    // Written beside and then swapped in, so a reader never sees half a file.
    const std::wstring temporary = path + L".new";
    {
        kit::UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                         nullptr) ||
            written != text.size()) {
            return false;
        }
    }
    return ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool StandInLibrary::Load(const std::wstring& path) {
    *this = StandInLibrary();
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > (256 << 20)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        return false;
    }

    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::wstring> f = SplitFields(line);
        if ((f[0] == L"track" || f[0] == L"insert") && f.size() >= 12) {
            StandInTrack t;
            t.id = ToLong(f[1]);
            t.enabled = f[2] == L"1";
            t.fileTrack = f[3] == L"1";
            t.name = f[4];
            t.artist = f[5];
            t.album = f[6];
            t.comment = f[7];
            t.composer = f[8];
            t.location = f[9];
            t.lyrics = f[10];
            t.artwork = f[11];
            nextId = std::max(nextId, t.id + 1);
            (f[0] == L"track" ? tracks : insertOnAdd).push_back(t);
        } else if (f[0] == L"playlist" && f.size() >= 3) {
            StandInPlaylist p;
            p.user = f[1] != L"0";
            p.smart = f[1] == L"smart";
            p.folder = f[1] == L"folder";
            p.name = f[2];
            for (size_t i = 3; i < f.size(); ++i) p.trackIds.push_back(ToLong(f[i]));
            playlists.push_back(p);
        } else if (f[0] == L"fail" && f.size() >= 3) {
            failures[f[1]] = static_cast<int>(ToLong(f[2]));
        } else if (f[0] == L"busy" && f.size() >= 2) {
            busyPolls = static_cast<int>(ToLong(f[1]));
        } else if (f[0] == L"reject" && f.size() >= 2) {
            rejectMs = ToLong(f[1]);
        } else if (f[0] == L"connections" && f.size() >= 2) {
            connections = ToLong(f[1]);
        } else if (f[0] == L"hold" && f.size() >= 2) {
            holdDeletedFiles = f[1] == L"1";
        } else if (f[0] == L"hang" && f.size() >= 3) {
            hangMember = f[1];
            hangMs = ToLong(f[2]);
        }
    }
    return true;
}
