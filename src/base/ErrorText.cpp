#include "base/ErrorText.h"

#include "base/ScopedHandle.h"

std::wstring ErrorReason(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return L"このフォルダへの書き込みが許可されていません（Program Files の中など）。";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return L"ディスクの空き容量が足りません。";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return L"ほかのプログラムがファイルを使用中です。";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
        return L"フォルダが見つかりません。";
    case ERROR_FILENAME_EXCED_RANGE:
        return L"パスが長すぎます。";
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const kit::UniqueLocalText owner(text);
    std::wstring reason = length && text ? std::wstring(text, length) : std::wstring();
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
        reason.pop_back();
    return reason.empty() ? L"エラー " + std::to_wstring(error) : reason;
}
