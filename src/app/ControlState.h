#pragma once
// Keeps a control's state in a settings group: "Check" for check boxes,
// "Index" for drop-down lists.
class Settings;

namespace kit {

class CheckBox;
class ComboBox;

void SaveCheck(const CheckBox& checkBox, Settings& group);
// A missing "Check", or one that is not 4 bytes, leaves the box unchecked.
void RestoreCheck(CheckBox& checkBox, const Settings& group);
void SaveIndex(const ComboBox& comboBox, Settings& group);
void RestoreIndex(ComboBox& comboBox, const Settings& group);

}  // namespace kit
