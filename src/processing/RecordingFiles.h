#pragma once
// What the processing cycle does with the recorder's files: find the song in
// progress, test names against the ignore list, choose a free output name,
// move, delete, empty a folder.
#include <string>

class Settings;

// Bare name of the newest `*.mp3` (by last-write time) in the station's
// PlayDirectory; empty when there is none or `lastEndDirectory` is empty.
std::wstring FindNewestRecording(const Settings& station, const std::wstring& lastEndDirectory);

// The wildcard of an ignore-list entry as a regular expression.
std::wstring WildcardToRegex(const std::wstring& wildcard);
// True when the whole name matches an ignore-list entry of `settings`
// (case-insensitive).
bool IsIgnoredFileName(const Settings& settings, const std::wstring& name);

// Creates every folder of the path; errors (existing folders) are ignored.
bool CreateDirectoryPath(const std::wstring& path);
// A free name "<base> (n)<ext>" beside `path`; `path` itself when all 9999 are taken.
std::wstring MakeUniquePath(const std::wstring& path);
// Clears read-only and friends first; fails when the destination exists.
bool MoveFileForce(const std::wstring& destination, const std::wstring& source);
bool DeleteFileForce(const std::wstring& path);
// Deletes the files (not the subfolders) of a folder; errors are skipped.
void DeleteFilesInFolder(const std::wstring& folder);
