#include "app/ControlState.h"

#include "kit/CheckBox.h"
#include "kit/ComboBox.h"
#include "settings/Settings.h"

namespace kit {

void SaveCheck(const CheckBox& checkBox, Settings& group) { group.SetInt(L"Check", checkBox.GetCheck()); }

void RestoreCheck(CheckBox& checkBox, const Settings& group) { checkBox.SetCheck(group.GetInt(L"Check")); }

void SaveIndex(const ComboBox& comboBox, Settings& group) { group.SetInt(L"Index", comboBox.GetSelection()); }

void RestoreIndex(ComboBox& comboBox, const Settings& group) { comboBox.SetSelection(group.GetInt(L"Index")); }

}  // namespace kit
