#include "app/StationSnippet.h"

#include <algorithm>
#include <vector>

std::wstring SnippetOfLabel(const std::wstring& label) { return label.substr(0, label.find(L'\t')); }

std::wstring MenuLabel(HMENU menu, UINT id) {
    if (!menu) return std::wstring();
    const int length = ::GetMenuStringW(menu, id, nullptr, 0, MF_BYCOMMAND);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> label(static_cast<size_t>(length) + 1, L'\0');
    ::GetMenuStringW(menu, id, label.data(), length + 1, MF_BYCOMMAND);
    return std::wstring(label.data());
}

std::wstring InsertAtSelection(const std::wstring& text, DWORD selection, const std::wstring& snippet, DWORD& caret) {
    size_t start = std::min<size_t>(LOWORD(selection), text.size());
    size_t end = std::min<size_t>(HIWORD(selection), text.size());
    if (end < start) std::swap(start, end);
    const std::wstring result = text.substr(0, start) + snippet + text.substr(end);
    // the selection form holds 16 bits per end
    const WORD after = static_cast<WORD>(std::min<size_t>(start + snippet.size(), 0xFFFF));
    caret = MAKELONG(after, after);
    return result;
}
