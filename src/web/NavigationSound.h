#pragma once
// The click Windows plays when Explorer navigates, silenced for the length of
// a browser fetch and put back afterwards.
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

    static const wchar_t kKeyPath[];

private:
    std::wstring savedSound_;
    unsigned long savedType_ = 1;  // REG_SZ
};

}  // namespace kit
