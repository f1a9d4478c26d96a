#include "app/ConfigTables.h"

const ConfigCheckRow kConfigCheckRows[kConfigCheckRowCount] = {
    {1034, L"IgnoreFirst"},
    {1033, L"IsAddPlayList"},
    {1035, L"IsSetNoneLyrics"},
    {1036, L"IsDeleteFile"},
    {1043, L"IsSetLyrics"},
    {1044, L"IsUncheckSameMusic"},
    {1045, L"IsCommentSameMusic"},
    {1049, L"IsTopmost"},
    {1050, L"IsTaskTray"},
};

// Values of the same-song test: 0 partial, 1 exact, 2 ignore.
const ConfigRadioRow kConfigRadioRows[kConfigRadioRowCount] = {
    {1037, L"CheckTypeTitle", 0},  {1038, L"CheckTypeTitle", 1},  {1039, L"CheckTypeTitle", 2},
    {1040, L"CheckTypeArtist", 0}, {1041, L"CheckTypeArtist", 1}, {1042, L"CheckTypeArtist", 2},
    {1046, L"CheckTypeAlbum", 0},  {1047, L"CheckTypeAlbum", 1},  {1048, L"CheckTypeAlbum", 2},
};
