#pragma once
// Which control of the settings dialog shows which application setting.

// A check box and the flag (1 byte) it shows.
struct ConfigCheckRow {
    int id;
    const wchar_t* key;
};

// A radio button and the integer (4 bytes) written under `key` while it is checked.
struct ConfigRadioRow {
    int id;
    const wchar_t* key;
    int value;
};

constexpr int kConfigCheckRowCount = 10;
constexpr int kConfigRadioRowCount = 9;

extern const ConfigCheckRow kConfigCheckRows[kConfigCheckRowCount];
extern const ConfigRadioRow kConfigRadioRows[kConfigRadioRowCount];
