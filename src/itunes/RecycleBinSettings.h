#pragma once
// Whether the Recycle Bin would keep a file. The shell recycles only "if
// possible": what the bin of a drive will not take (a bin switched off, a
// file larger than the bin, under Wine a trash it cannot write) it deletes
// for good and reports success, so this is asked before anything is deleted.
#include <optional>
#include <string>

struct RecycleBinSettings {
    // The shell can tell what the drive's bin holds. Under Wine it can only
    // when it can write its trash folder; without one it deletes for good.
    bool available = false;
    // The drive's bin is switched off (NukeOnDelete), or a policy keeps
    // every deleted file out of the bin (NoRecycleFiles).
    bool deletesAtOnce = false;
    // The size set for the drive's bin (MaxCapacity); empty when never set,
    // and Windows' default share of the drive applies.
    std::optional<unsigned long long> maxBytes;
    // What the user may use of the drive: the default bin is a share of it.
    unsigned long long driveBytes = 0;
};

enum class RecycleVerdict { Keeps, NoBin, DeletesAtOnce, TooLarge };

// What the bin would do with a file of `fileBytes`. A full bin makes room by
// emptying its oldest files; only a file larger than the whole bin is
// deleted for good.
RecycleVerdict JudgeRecycleBin(const RecycleBinSettings& bin, unsigned long long fileBytes);
// The same for the file at `path`, by the settings of its drive.
RecycleVerdict JudgeRecycleBin(const std::wstring& path);

// Why the file stays, for the history; empty for Keeps.
std::wstring RecycleVerdictText(RecycleVerdict verdict);

// The settings of the bin on the drive that holds `path`.
RecycleBinSettings ReadRecycleBinSettings(const std::wstring& path);

// The key under HKEY_CURRENT_USER with the bin settings of the drive that
// holds `path`; empty when the drive has no volume name.
std::wstring RecycleBinVolumeKey(const std::wstring& path);
