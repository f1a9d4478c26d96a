#pragma once
// The click Windows plays when Explorer navigates, silenced for the length of
// a browser fetch and put back afterwards. The user's sound is also kept in
// the registry while it is silenced, so that a program ended in the middle of
// a fetch can put it back at its next start.
#include <string>

namespace kit {

class NavigationSound {
public:
    NavigationSound() = default;
    ~NavigationSound() { Restore(); }
    NavigationSound(const NavigationSound&) = delete;
    NavigationSound& operator=(const NavigationSound&) = delete;

    // Remembers the user's sound and writes an empty one; nothing happens
    // when the key does not exist.
    void Silence();
    // Writes the remembered sound back, unless it was empty.
    void Restore();

    // At start: a sound left silenced by a run that never restored it is
    // put back; a sound the user has set meanwhile stays.
    static void RestoreLeftSilenced();

    static const wchar_t kKeyPath[];
    // Where the user's sound waits while it is silenced (HKCU, value name).
    static const wchar_t kBackupKeyPath[];
    static const wchar_t kBackupValue[];

private:
    std::wstring savedSound_;
    unsigned long savedType_ = 1;  // REG_SZ
};

}  // namespace kit
