#include "settings/Settings.h"

#include <cstring>

namespace {
// The stored placement is the 32-bit record's 44 bytes; on this 64-bit build
// WINDOWPLACEMENT has the same layout and size.
static_assert(sizeof(WINDOWPLACEMENT) == 44, "placement record size");
}  // namespace

Settings::Settings() {
    values.max_load_factor(1.0f);
    groups.max_load_factor(1.0f);
}

const SettingValue* Settings::Find(const std::wstring& key) const {
    auto it = values.find(key);
    return it == values.end() ? nullptr : &it->second;
}

std::wstring Settings::GetString(const std::wstring& key) const {
    const SettingValue* value = Find(key);
    if (!value) return std::wstring();
    std::wstring text(value->size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>((*value)[2 * i] | ((*value)[2 * i + 1] << 8));
    return text;
}

void Settings::SetString(const std::wstring& key, const std::wstring& text) {
    SettingValue value(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        value[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        value[2 * i + 1] = static_cast<std::uint8_t>((text[i] >> 8) & 0xFF);
    }
    values[key] = std::move(value);
}

std::int32_t Settings::GetInt(const std::wstring& key, std::int32_t fallback) const {
    const SettingValue* value = Find(key);
    if (!value || value->size() != 4) return fallback;
    std::uint32_t bits = (*value)[0] | ((*value)[1] << 8) | ((*value)[2] << 16) |
                         (static_cast<std::uint32_t>((*value)[3]) << 24);
    return static_cast<std::int32_t>(bits);
}

void Settings::SetInt(const std::wstring& key, std::int32_t number) {
    auto bits = static_cast<std::uint32_t>(number);
    values[key] = SettingValue{static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                               static_cast<std::uint8_t>(bits >> 16),
                               static_cast<std::uint8_t>(bits >> 24)};
}

bool Settings::GetBool(const std::wstring& key) const {
    const SettingValue* value = Find(key);
    return value && value->size() == 1 && (*value)[0] != 0;
}

void Settings::SetBool(const std::wstring& key, bool flag) {
    values[key] = SettingValue{static_cast<std::uint8_t>(flag ? 1 : 0)};
}

bool Settings::GetPlacement(const std::wstring& key, WINDOWPLACEMENT& placement) const {
    const SettingValue* value = Find(key);
    if (!value || value->size() != sizeof(WINDOWPLACEMENT)) return false;
    std::memcpy(&placement, value->data(), sizeof(WINDOWPLACEMENT));
    return true;
}

void Settings::SetPlacement(const std::wstring& key, const WINDOWPLACEMENT& placement) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&placement);
    values[key] = SettingValue(bytes, bytes + sizeof(WINDOWPLACEMENT));
}

Settings& Settings::Group(const std::wstring& name) { return groups[name]; }

const Settings* Settings::FindGroup(const std::wstring& name) const {
    auto it = groups.find(name);
    return it == groups.end() ? nullptr : &it->second;
}

void Settings::SetGroup(const std::wstring& name, const Settings& group) {
    if (&group == FindGroup(name)) return;
    Settings copy = group;  // the source may live inside the group being replaced
    groups[name] = std::move(copy);
}

void Settings::RemoveGroup(const std::wstring& name) { groups.erase(name); }

void Settings::Clear() {
    values.clear();
    groups.clear();
}

bool Settings::operator==(const Settings& other) const {
    return tag == other.tag && values == other.values && groups == other.groups;
}

void CopyBool(const Settings& source, const std::wstring& key, Settings& destination) {
    destination.SetBool(key, source.GetBool(key));
}

void CopyInt(const Settings& source, const std::wstring& key, Settings& destination,
             std::int32_t fallback) {
    destination.SetInt(key, source.GetInt(key, fallback));
}
