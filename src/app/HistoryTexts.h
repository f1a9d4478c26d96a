#pragma once
// What the history window writes for a song: its time, state and details.
#include <string>
#include <vector>

#include "base/LocalTime.h"
#include "journal/JournalTypes.h"

// 登録済み, 引き渡し待ち, 再試行待ち（次回 hh:mm）, 失敗: reason, スキップ: ...
std::wstring SongStateText(const journal::SongRecord& song);
// The file's name as it was filed, or as the recorder named it.
std::wstring SongFileName(const journal::SongRecord& song);
// Every step with its time, and what was done to same songs.
std::wstring SongDetailsText(const journal::SongRecord& song, const std::vector<journal::SongAction>& actions);
