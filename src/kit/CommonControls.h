#pragma once
// Registers the common control classes (list view, track bar, toolbar,
// tooltip) that dialog templates name; call once before the first dialog.
namespace kit {

bool InitializeCommonControls();

}  // namespace kit
