#pragma once
// What a registration did in the library, for the history of filed songs.
#include <string>
#include <vector>

struct LibraryAction {
    // The numbers are stored in the journal.
    enum class Kind {
        Unchecked = 1,
        Commented = 2,
        Deleted = 3,
        LyricsCopied = 4,
        Kept = 5,           // a copy not deleted, since the Recycle Bin would not keep its file
        PutBack = 6,        // a deleted copy added again: its file could not go to the Recycle Bin
        PutBackFailed = 7,  // the same, but the file could not be added again
    };
    Kind kind = Kind::Unchecked;
    std::wstring track;        // how the track was named: "artist - title"
    std::wstring filePath;     // Deleted, Kept, PutBack...: the path the file had
    // Deleted: where the file went; empty when only the library entry went
    // and the file stayed at filePath.
    std::wstring destination;
    std::wstring note;  // why, for the history: Kept and the put-backs
};

// Where a deleted copy's file goes; the shell does not say where in the
// Recycle Bin it ends up.
inline const wchar_t kRecycleBinName[] = L"ごみ箱";

struct RegistrationResult {
    bool registered = false;
    bool timedOut = false;  // given up at the deadline; the attempt may still end
    // The new track's persistent ID ("HHHHHHHHLLLLLLLL", 16 hex digits), or
    // that of the track found already holding the file; empty when unknown.
    std::wstring trackId;
    std::vector<LibraryAction> actions;
};
