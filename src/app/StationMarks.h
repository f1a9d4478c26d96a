#pragma once
// The marks of the main window's station list, drawn by the window itself:
// the entries keep the stations' names as their text. The marks differ in
// shape as well as colour, so that they read without colour too.
#include <windows.h>

#include <string>

enum class StationMark {
    Followed,     // a filled disc: its songs are filed
    NotFollowed,  // an empty ring: switched off, no folders, or shares them
    Unwell,       // a triangle: followed, but its page did not yield the song
};

// One entry (or the closed box's selection field) of an owner-drawn list.
void DrawStationEntry(const DRAWITEMSTRUCT& item, const std::wstring& name, StationMark mark);
// The entries' height in pixels for the font the combo box `combo` uses:
// the text's, with room for the mark.
int StationEntryHeight(HWND combo);
