#include "app/ConfigTables.h"

#include "app_ids.h"

const ConfigCheckRow kConfigCheckRows[kConfigCheckRowCount] = {
    {IDC_CONFIG_IGNORE_FIRST, L"IgnoreFirst"},
    {IDC_CONFIG_ADD_PLAYLIST, L"IsAddPlayList"},
    {IDC_CONFIG_NONE_LYRICS, L"IsSetNoneLyrics"},
    {IDC_CONFIG_DELETE_FILE, L"IsDeleteFile"},
    {IDC_CONFIG_COPY_LYRICS, L"IsSetLyrics"},
    {IDC_CONFIG_UNCHECK_SAME, L"IsUncheckSameMusic"},
    {IDC_CONFIG_COMMENT_SAME, L"IsCommentSameMusic"},
    {IDC_CONFIG_TOPMOST, L"IsTopmost"},
    {IDC_CONFIG_TASK_TRAY, L"IsTaskTray"},
    {IDC_CONFIG_ARTWORK_SEARCH, L"IsArtworkSearch"},
};

// Values of the same-song test: 0 partial, 1 exact, 2 ignore.
const ConfigRadioRow kConfigRadioRows[kConfigRadioRowCount] = {
    {IDC_CONFIG_TITLE_PARTIAL, L"CheckTypeTitle", 0},
    {IDC_CONFIG_TITLE_EXACT, L"CheckTypeTitle", 1},
    {IDC_CONFIG_TITLE_IGNORE, L"CheckTypeTitle", 2},
    {IDC_CONFIG_ARTIST_PARTIAL, L"CheckTypeArtist", 0},
    {IDC_CONFIG_ARTIST_EXACT, L"CheckTypeArtist", 1},
    {IDC_CONFIG_ARTIST_IGNORE, L"CheckTypeArtist", 2},
    {IDC_CONFIG_ALBUM_PARTIAL, L"CheckTypeAlbum", 0},
    {IDC_CONFIG_ALBUM_EXACT, L"CheckTypeAlbum", 1},
    {IDC_CONFIG_ALBUM_IGNORE, L"CheckTypeAlbum", 2},
};
