#pragma once
// Moving a file to the Recycle Bin instead of deleting it for good.
#include <string>

// True when the file exists, nobody holds it against deletion, and its drive
// keeps a Recycle Bin (a fixed drive). Asked before anything else is undone
// for the file: the shell deletes for good, without asking, what it cannot
// recycle.
bool CanRecycle(const std::wstring& path);

// True when the file has left its folder for the Recycle Bin.
bool RecycleFile(const std::wstring& path);
