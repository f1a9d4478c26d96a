// settings-writer.exe DESCRIPTION SETTINGS-FILE
// Writes the program's settings file from a plain-text description (the
// format is in tests/support/SettingsDescription.h). Exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/SettingsDescription.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: settings-writer DESCRIPTION SETTINGS-FILE\n");
        return 2;
    }
    std::string error;
    if (!WriteSettingsFromDescription(argv[1], argv[2], error)) {
        std::fprintf(stderr, "settings-writer: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
