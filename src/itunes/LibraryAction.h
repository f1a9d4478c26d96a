#pragma once
// What a registration did to the library: the new track's identity and what
// the same-song rules changed.
#include <string>
#include <vector>

struct LibraryAction {
    enum class Kind { Unchecked = 1, Commented = 2, Deleted = 3, LyricsCopied = 4 };
    Kind kind = Kind::Unchecked;
    std::wstring track;        // how the track was named: "artist - title"
    std::wstring filePath;     // for Deleted: the path the file had
    std::wstring destination;  // for Deleted: where it went
};

struct RegistrationResult {
    bool registered = false;
    bool timedOut = false;  // given up at the deadline; may still end later
    std::wstring trackId;   // the new track's persistent ID, 16 hex digits; empty when unknown
    std::vector<LibraryAction> actions;
};
