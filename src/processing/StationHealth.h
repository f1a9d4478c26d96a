#pragma once
// How well a station's page yields the song, as the user reads it: one
// state per song, the caption while the selected station is not well, and
// one tray warning when three songs in a row went wrong.
#include <string>
#include <vector>

#include "journal/JournalTypes.h"
#include "web/FetchSongInfo.h"

// 正常, 取得失敗, パターン不一致, 項目なし, ページ更新なし.
std::wstring HealthText(journal::ExtractionHealth health);
// The state a fetch leaves; false for NoAddress, which says nothing about
// the page.
bool HealthOfFetch(FetchStatus status, journal::ExtractionHealth& health);

// "Kestrel", or "Kestrel - <state>" while the newest state is not 正常.
// `recent`: newest first.
std::wstring MainCaption(const std::vector<journal::ExtractionHealth>& recent);

// Says once per run of failures when the warning is due.
class HealthWarning {
public:
    static constexpr int kFailuresInARow = 3;
    // `recent`: the station's newest states, newest first, just after one
    // was added. True exactly once per run of kFailuresInARow failures.
    bool Due(const std::vector<journal::ExtractionHealth>& recent);

private:
    bool warned_ = false;
};
