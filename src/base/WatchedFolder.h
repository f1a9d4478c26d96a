#pragma once
#include <string>

// A folder to watch, and whether files written to in it matter too: in a
// folder files are only moved into, the names' notification is enough.
struct WatchedFolder {
    std::wstring path;
    bool writes = true;
    bool operator==(const WatchedFolder& other) const { return path == other.path && writes == other.writes; }
};
