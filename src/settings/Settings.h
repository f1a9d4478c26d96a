#pragma once
// The settings tree: a group holds untyped byte values and named sub-groups,
// both by value. Typed accessors check a value's length before trusting it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <boost/container_hash/hash.hpp>
#include <boost/unordered_map.hpp>

using SettingValue = std::vector<std::uint8_t>;

class Settings {
public:
    using ValueMap = boost::unordered_map<std::wstring, SettingValue, boost::hash<std::wstring>>;
    using GroupMap = boost::unordered_map<std::wstring, Settings, boost::hash<std::wstring>>;

    Settings();

    std::wstring GetString(const std::wstring& key) const;
    void SetString(const std::wstring& key, const std::wstring& text);
    std::int32_t GetInt(const std::wstring& key) const { return GetInt(key, 0); }
    std::int32_t GetInt(const std::wstring& key, std::int32_t fallback) const;
    void SetInt(const std::wstring& key, std::int32_t value);
    bool GetBool(const std::wstring& key) const;
    void SetBool(const std::wstring& key, bool flag);
    bool GetPlacement(const std::wstring& key, WINDOWPLACEMENT& placement) const;
    void SetPlacement(const std::wstring& key, const WINDOWPLACEMENT& placement);

    // Creates an empty group under the name when there is none.
    Settings& Group(const std::wstring& name);
    // Looks without creating; null when there is no such group.
    const Settings* FindGroup(const std::wstring& name) const;
    void SetGroup(const std::wstring& name, const Settings& group);
    void RemoveGroup(const std::wstring& name);
    // Empties values and groups; the tag stays.
    void Clear();

    // File I/O (SettingsFile.cpp). Load merges the file into this group and
    // is false when it merged nothing. A missing file (or folder) is a first
    // start: Damage::None. A damaged file, or one past the file's size
    // bounds, is copied to DamagedCopyPath: SetAside, or NotSetAside when no
    // copy could be made. A file that is there but cannot be opened or read
    // (held by another program, no access, memory exhausted) is left as it is:
    // Unreadable, with the system's error in `reason`. Whoever sees
    // NotSetAside or Unreadable must not save over the file: it is all there
    // is of the user's settings. A failed Save leaves the reason in
    // GetLastError().
    enum class Damage { None, SetAside, NotSetAside, Unreadable };
    bool Load(const std::wstring& path, Damage* damaged = nullptr, DWORD* reason = nullptr);
    bool Save(const std::wstring& path) const;

    bool operator==(const Settings& other) const;
    bool operator!=(const Settings& other) const { return !(*this == other); }

    std::int32_t tag = 0;
    ValueMap values;
    GroupMap groups;

private:
    const SettingValue* Find(const std::wstring& key) const;
};

// Where Load keeps a damaged settings file: `path` with ".bad" added.
std::wstring DamagedCopyPath(const std::wstring& path);

// Both always write the destination.
void CopyBool(const Settings& source, const std::wstring& key, Settings& destination);
void CopyInt(const Settings& source, const std::wstring& key, Settings& destination,
             std::int32_t fallback);
