// Reading and writing the settings file: a 4-byte tag, then the serialised
// root group as one compressed block.
#include <windows.h>

#include <cstring>
#include <new>

#include "base/DiagnosticLog.h"
#include "base/File.h"
#include "base/PathHelpers.h"
#include "base/TemporaryFile.h"
#include "settings/Settings.h"
#include "settings/SettingsStream.h"

using namespace settings_stream;

namespace {

// Real trees are two or three levels deep; the bound keeps a hostile file
// from exhausting the stack.
constexpr int kMaxDepth = 64;
// The smallest records: an empty key (2 bytes) and a length (4); an empty
// name and a group of tag and two zero counts (2 + 12).
constexpr std::uint64_t kMinValueRecord = 6;
constexpr std::uint64_t kMinGroupRecord = 14;

bool WriteGroup(ByteSink& stream, const Settings& group) {
    if (!WriteU32(stream, static_cast<std::uint32_t>(group.tag)) ||
        !WriteU32(stream, static_cast<std::uint32_t>(group.values.size())))
        return false;
    for (const auto& [key, value] : group.values)
        if (!WriteString(stream, key) || !WriteByteBlock(stream, value)) return false;
    if (!WriteU32(stream, static_cast<std::uint32_t>(group.groups.size()))) return false;
    for (const auto& [name, child] : group.groups)
        if (!WriteString(stream, name) || !WriteGroup(stream, child)) return false;
    return true;
}

// A count is read as signed: zero or negative means no records.
bool ReadCount(ByteSource& stream, std::uint64_t minRecord, std::uint32_t& count) {
    if (!ReadU32(stream, count)) return false;
    if (static_cast<std::int32_t>(count) <= 0) count = 0;
    return count <= stream.Remaining() / minRecord;
}

bool ReadGroup(ByteSource& stream, Settings& group, int depth) {
    if (depth > kMaxDepth) return false;
    std::uint32_t tag = 0, count = 0;
    if (!ReadU32(stream, tag) || !ReadCount(stream, kMinValueRecord, count)) return false;
    group.tag = static_cast<std::int32_t>(tag);
    std::wstring key;
    for (std::uint32_t i = 0; i < count; ++i) {
        SettingValue value;
        if (!ReadString(stream, key) || !ReadByteBlock(stream, value)) return false;
        group.values[key] = std::move(value);
    }
    if (!ReadCount(stream, kMinGroupRecord, count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        Settings child;
        if (!ReadString(stream, key) || !ReadGroup(stream, child, depth + 1)) return false;
        group.groups[key] = std::move(child);
    }
    return true;
}

// Reads the file into `parsed`; false when any part of it is damaged.
bool ParseFile(kit::File& file, Settings& parsed) {
    FileSource header(file);
    std::uint32_t headerTag = 0;
    CompressedBlockReader body;
    if (!ReadU32(header, headerTag) || !body.Open(file)) return false;
    parsed.tag = 0;  // an empty body carries no tag
    if (body.length() == 0) return true;
    return ReadGroup(body, parsed, 0) && body.Finish();
}

// Keeps a damaged file beside the real one, so the save at exit cannot
// destroy what the user may still recover.
bool KeepDamagedCopy(const std::wstring& path) {
    return ::CopyFileW(ExtendedLengthPath(path).c_str(), ExtendedLengthPath(DamagedCopyPath(path)).c_str(),
                       FALSE) != FALSE;
}

}  // namespace

std::wstring DamagedCopyPath(const std::wstring& path) { return path + L".bad"; }

namespace {

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool Unreadable(const std::wstring& path, DWORD error, Settings::Damage* damaged, DWORD* reason) {
    LogFailure("設定ファイルを読めない", path, error);
    if (damaged) *damaged = Settings::Damage::Unreadable;
    if (reason) *reason = error == ERROR_SUCCESS ? ERROR_READ_FAULT : error;
    return false;
}

}  // namespace

bool Settings::Load(const std::wstring& path, Damage* damaged, DWORD* reason) {
    if (damaged) *damaged = Damage::None;
    if (reason) *reason = ERROR_SUCCESS;
    // Out of memory here says nothing about the file: it is kept as it is,
    // and a start that failed half-way must not save its defaults over it.
    try {
        kit::File file;
        if (!file.OpenRead(path)) {
            const DWORD error = ::GetLastError();
            if (IsMissing(error)) return false;
            return Unreadable(path, error, damaged, reason);
        }
        Settings parsed;
        const bool intact = ParseFile(file, parsed);
        file.Close();
        if (!intact) {
            const bool kept = KeepDamagedCopy(path);
            LogFailure(kept ? "壊れた設定ファイルを別名で保存" : "壊れた設定ファイルを別名にできない", path, 0);
            if (damaged) *damaged = kept ? Damage::SetAside : Damage::NotSetAside;
            return false;
        }
        // Merged into a copy first, so that running out of memory half-way
        // leaves this group as it was.
        Settings merged = *this;
        merged.tag = parsed.tag;
        for (auto& [key, value] : parsed.values) merged.values[key] = std::move(value);
        for (auto& [name, group] : parsed.groups) merged.groups[name] = std::move(group);
        *this = std::move(merged);
        return true;
    } catch (const std::bad_alloc&) {
        return Unreadable(path, ERROR_NOT_ENOUGH_MEMORY, damaged, reason);
    }
}

bool Settings::Save(const std::wstring& path) const {
    // Write beside the target and swap it in only when every byte is down,
    // so a failed save leaves the previous file as it was.
    DWORD error = ERROR_SUCCESS;
    {
        kit::TemporaryFile temporary(kit::TemporaryFile::ReserveBeside(path));
        bool written = false;
        if (!temporary.path().empty()) {
            kit::File file;
            if (file.OpenWrite(temporary.path())) {
                FileSink header(file);
                if (WriteU32(header, static_cast<std::uint32_t>(tag))) {
                    CompressedBlockWriter body(file);
                    written = WriteGroup(body, *this) && body.Finish() && ::FlushFileBuffers(file.handle());
                }
            }
        }
        if (written && ::MoveFileExW(temporary.path().c_str(), ExtendedLengthPath(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            temporary.Keep();
            return true;
        }
        error = ::GetLastError();
        LogFailure("設定ファイルを保存できない", path, error);
    }
    // the reason survives the temporary file's removal
    ::SetLastError(error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error);
    return false;
}
