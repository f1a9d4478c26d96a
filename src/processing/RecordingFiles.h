#pragma once
// What the processing cycle asks of the recorder's files: the song in
// progress, and whether a name is on the ignore list.
#include <windows.h>

#include <string>
#include <vector>

class Settings;

// Bare name of the newest `*.mp3` (by last-write time) in the station's
// PlayDirectory; empty when there is none or `lastEndDirectory` is empty.
std::wstring FindNewestRecording(const Settings& station, const std::wstring& lastEndDirectory);
// The same for a play folder.
std::wstring FindNewestRecording(const std::wstring& playFolder);
// The newest recording of a play folder with its last-write time.
struct NewestRecording {
    std::wstring name;  // empty when there is none
    FILETIME written{};
};
NewestRecording FindNewestRecordingWritten(const std::wstring& playFolder);

// The wildcard of an ignore-list entry as a regular expression.
std::wstring WildcardToRegex(const std::wstring& wildcard);
// True when the whole name matches an ignore-list entry of `settings`
// (case-insensitive).
bool IsIgnoredFileName(const Settings& settings, const std::wstring& name);
// True when the whole name matches one of the wildcards (case-insensitive).
bool IsIgnoredName(const std::vector<std::wstring>& wildcards, const std::wstring& name);
