#pragma once
// Snippets of the regular-expression menus and their insertion into a box.
#include <windows.h>

#include <string>

// The text an item inserts: its label up to the tab ("\\1\t後方参照1" gives "\\1").
std::wstring SnippetOfLabel(const std::wstring& label);

// The label of command `id` anywhere in `menu`; empty when there is none.
std::wstring MenuLabel(HMENU menu, UINT id);

// `text` with `selection` (EM_GETSEL's form, start low, end high; clamped to
// the text) replaced by `snippet`. `caret` becomes the empty selection just
// after the snippet.
std::wstring InsertAtSelection(const std::wstring& text, DWORD selection, const std::wstring& snippet, DWORD& caret);
