#include "SettingsDescription.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "base/ScopedHandle.h"
#include "settings/Settings.h"

namespace {

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

Settings& GroupAt(Settings& root, const std::wstring& path) {
    Settings* group = &root;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) group = &group->Group(path.substr(start, end - start));
        start = end + 1;
    }
    return *group;
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > (1 << 24)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() || (::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                             got == bytes.size());
}

}  // namespace

bool ParseSettingsDescription(const std::string& utf8, Settings& root, std::string& error) {
    std::istringstream lines(utf8.compare(0, 3, "\xEF\xBB\xBF") == 0 ? utf8.substr(3) : utf8);
    std::string line;
    Settings* group = &root;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (trimmed.front() == '[') {
            if (trimmed.back() != ']') {
                error = where + "a group needs its closing ]";
                return false;
            }
            group = &GroupAt(root, FromUtf8(trimmed.substr(1, trimmed.size() - 2)));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            error = where + "expected key = kind:value";
            return false;
        }
        const std::wstring key = FromUtf8(Trim(line.substr(0, equals)));
        std::string rest = line.substr(equals + 1);
        rest.erase(0, rest.find_first_not_of(" \t"));
        if (!rest.empty() && rest.back() == '\r') rest.pop_back();
        if (key.empty() || rest.size() < 2 || rest[1] != ':') {
            error = where + "expected key = kind:value";
            return false;
        }
        const std::string value = rest.substr(2);
        switch (rest[0]) {
        case 's':
            group->SetString(key, FromUtf8(value));
            break;
        case 'i':
        case 'b': {
            char* end = nullptr;
            const long number = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0') {
                error = where + "not a number: " + value;
                return false;
            }
            if (rest[0] == 'i')
                group->SetInt(key, static_cast<std::int32_t>(number));
            else
                group->SetBool(key, number != 0);
            break;
        }
        default:
            error = where + "kind must be s, i or b";
            return false;
        }
    }
    return true;
}

bool WriteSettingsFromDescription(const std::wstring& descriptionPath, const std::wstring& settingsPath,
                                  std::string& error) {
    std::string text;
    if (!ReadFileBytes(descriptionPath, text)) {
        error = "cannot read the description";
        return false;
    }
    Settings root;
    if (!ParseSettingsDescription(text, root, error)) return false;
    if (!root.Save(settingsPath)) {
        error = "cannot write the settings file";
        return false;
    }
    return true;
}
