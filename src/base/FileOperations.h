#pragma once
// File and folder operations that shrug off read-only attributes and
// existing folders, and a free name beside a taken one; paths may be
// longer than MAX_PATH.
#include <string>

// True when a file or folder is at `path`.
bool PathExists(const std::wstring& path);
// Creates every folder of the path; errors (existing folders) are ignored.
bool CreateDirectoryPath(const std::wstring& path);
// A free name "<base> (n)<ext>" beside `path`; `path` itself when all 9999 are taken.
std::wstring MakeUniquePath(const std::wstring& path);
// Clears read-only and friends first; fails when the destination exists.
bool MoveFileForce(const std::wstring& destination, const std::wstring& source);
bool DeleteFileForce(const std::wstring& path);
// Deletes the files (not the subfolders) of a folder; errors are skipped.
void DeleteFilesInFolder(const std::wstring& folder);
