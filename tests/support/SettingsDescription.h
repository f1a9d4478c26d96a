#pragma once
// A settings file described in plain text, for the settings-writer tool, the
// end-to-end test and the demo. UTF-8, one entry a line:
//   # a comment
//   [Station\テスト局]        the group that the following keys go into
//                             ("\" separates levels; [] is the root)
//   WaitTime = i:2            integer
//   IsAddPlayList = b:1       flag (1 or 0)
//   Url = s:http://...        string (the rest of the line, spaces kept)
// Blank lines are skipped; anything else is an error.
#include <string>

class Settings;

// Adds the described values to `root`. On an error, names the line in `error`.
bool ParseSettingsDescription(const std::string& utf8, Settings& root, std::string& error);
// Reads the description file and writes the settings file with the program's
// own settings code.
bool WriteSettingsFromDescription(const std::wstring& descriptionPath, const std::wstring& settingsPath,
                                  std::string& error);
