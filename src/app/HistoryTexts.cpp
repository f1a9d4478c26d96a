#include "app/HistoryTexts.h"

#include "processing/Filing.h"

#include <windows.h>

#include <cwchar>

#include "base/PathHelpers.h"

using journal::SongState;

namespace {

std::wstring Step(const wchar_t* name, journal::Time time) {
    return std::wstring(name) + L"\t" + (time ? LocalTimeText(time) : L"—") + L"\r\n";
}

const wchar_t* ActionName(journal::SongActionKind kind) {
    switch (kind) {
    case journal::SongActionKind::Unchecked: return L"チェックを外した";
    case journal::SongActionKind::Commented: return L"コメントを設定";
    case journal::SongActionKind::Deleted: return L"削除";
    case journal::SongActionKind::LyricsCopied: return L"歌詞をコピー";
    case journal::SongActionKind::Kept: return L"削除せずに残した";
    case journal::SongActionKind::PutBack: return L"ライブラリに戻した";
    case journal::SongActionKind::PutBackFailed: return L"ライブラリに戻せなかった";
    }
    return L"";
}

}  // namespace

std::wstring SongStateText(const journal::SongRecord& song) {
    switch (song.state) {
    case SongState::Playing: return L"録音中";
    case SongState::AwaitingHandOver: return L"引き渡し待ち";
    case SongState::Moved:
    case SongState::Stripped: return L"登録待ち";
    case SongState::AwaitingRetry: {
        SYSTEMTIME local{};
        if (!ToLocalTime(song.nextAttempt, local)) return L"再試行待ち";
        wchar_t text[40];
        std::swprintf(text, 40, L"再試行待ち（次回 %02u:%02u）", local.wHour, local.wMinute);
        return text;
    }
    case SongState::Registered:
        return song.lastError == kMissedSongNote ? L"登録済み（" + song.lastError + L"）" : L"登録済み";
    case SongState::Filed:
        return song.lastError == kMissedSongNote ? L"完了（フォルダー、" + song.lastError + L"）" : L"完了（フォルダー）";
    case SongState::Failed: return L"失敗: " + song.lastError;
    case SongState::SkippedFirstSong: return L"スキップ: 最初の曲";
    case SongState::SkippedIgnoreList: return L"スキップ: 除外リスト";
    case SongState::SkippedNoUrl: return L"スキップ: URLなし";
    }
    return std::wstring();
}

std::wstring SongFileName(const journal::SongRecord& song) {
    return song.outputPath.empty() ? song.sourceName : FileNameOf(song.outputPath);
}

std::wstring SongDetailsText(const journal::SongRecord& song, const std::vector<journal::SongAction>& actions) {
    std::wstring text = song.info.title + L" / " + song.info.artist + L"\r\n";
    text += L"放送局\t" + song.station + L"\r\n";
    text += L"状態\t" + SongStateText(song) + L"\r\n";
    if (!song.trackId.empty()) text += L"トラックID\t" + song.trackId + L"\r\n";
    text += L"\r\n";
    text += Step(L"再生開始", song.noticed) + Step(L"録音終了", song.handedOver) + Step(L"移動", song.moved) +
            Step(L"タグ", song.stripped) + Step(song.state == SongState::Filed ? L"完了" : L"登録", song.registered);
    text += L"登録の試行\t" + std::to_wstring(song.attempts) + L" 回\r\n";
    if (song.nextAttempt) text += Step(L"次回の試行", song.nextAttempt);
    if (!song.outputPath.empty()) text += L"\r\nファイル\t" + song.outputPath + L"\r\n";
    if (!song.info.artworkUrl.empty()) text += L"アートワーク\t" + song.info.artworkUrl + L"\r\n";
    if (!actions.empty()) {
        text += L"\r\n同一曲の処理\r\n";
        for (const journal::SongAction& action : actions) {
            text += LocalTimeText(action.at) + L"  " + ActionName(action.kind) + L": " + action.track + L"\r\n";
            if (!action.filePath.empty()) text += L"\t元の場所: " + action.filePath + L"\r\n";
            if (!action.destination.empty()) text += L"\t移動先: " + action.destination + L"\r\n";
            if (!action.note.empty()) text += L"\t理由: " + action.note + L"\r\n";
        }
    }
    return text;
}
