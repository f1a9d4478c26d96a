#include "web/ArtworkFile.h"

#include <windows.h>

#include <cwctype>

#include "base/File.h"
#include "base/ScopedHandle.h"

namespace {

constexpr size_t kMaxNameLength = 150;

std::wstring ExtensionFromContent(const std::vector<std::uint8_t>& bytes) {
    auto startsWith = [&](std::initializer_list<std::uint8_t> magic) {
        if (bytes.size() < magic.size()) return false;
        size_t i = 0;
        for (std::uint8_t b : magic)
            if (bytes[i++] != b) return false;
        return true;
    };
    if (startsWith({0xFF, 0xD8, 0xFF})) return L".jpg";
    if (startsWith({0x89, 'P', 'N', 'G'})) return L".png";
    if (startsWith({'G', 'I', 'F', '8'})) return L".gif";
    if (startsWith({'B', 'M'})) return L".bmp";
    return {};
}

// The path part of the address: after "scheme://authority", before "?" or "#".
std::wstring PathOfUrl(const std::wstring& url) {
    std::wstring path = url.substr(0, url.find_first_of(L"?#"));
    const size_t scheme = path.find(L"://");
    if (scheme != std::wstring::npos) {
        const size_t slash = path.find(L'/', scheme + 3);
        path = slash == std::wstring::npos ? std::wstring() : path.substr(slash);
    }
    return path;
}

bool IsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
        stem == L"CONOUT$")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'0' && stem[3] <= L'9';
}

// The name with the extension of its content, when the content shows one.
std::wstring WithContentExtension(std::wstring name, const std::wstring& extension) {
    if (extension.empty()) return name;
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) {
        std::wstring current = name.substr(dot);
        for (wchar_t& c : current) c = static_cast<wchar_t>(std::towlower(c));
        if (current == extension) return name;
        name.erase(dot);
    }
    return name + extension;
}

std::wstring NameFromUrl(const std::wstring& url, const std::vector<std::uint8_t>& bytes) {
    const std::wstring path = PathOfUrl(url);
    const size_t slash = path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == L"." || name == L"..") return L"artwork";
    for (wchar_t& c : name)
        if (c < 0x20 || std::wcschr(L"<>:\"/\\|?*", c)) c = L'_';
    // Windows drops trailing dots and spaces, which could leave no name at all.
    for (size_t i = name.size(); i > 0 && (name[i - 1] == L'.' || name[i - 1] == L' '); --i) name[i - 1] = L'_';
    if (IsDeviceName(name)) name.insert(0, 1, L'_');
    if (name.size() > kMaxNameLength) {
        const size_t dot = name.rfind(L'.');
        const std::wstring extension =
            (dot != std::wstring::npos && name.size() - dot <= 10) ? name.substr(dot) : std::wstring();
        name = name.substr(0, kMaxNameLength - extension.size()) + extension;
    }
    return name;
}

}  // namespace

std::wstring ArtworkFileName(const std::wstring& url, const std::vector<std::uint8_t>& bytes) {
    return WithContentExtension(NameFromUrl(url, bytes), ExtensionFromContent(bytes));
}

std::wstring SaveArtwork(const std::wstring& folder, const std::wstring& url,
                         const std::vector<std::uint8_t>& bytes) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += ArtworkFileName(url, bytes);
    bool complete;
    {
        kit::File file;
        if (!file.OpenWrite(path)) return {};
        complete = file.Write(bytes.data(), bytes.size()) == bytes.size();
    }
    if (!complete) {
        DeleteFileW(path.c_str());
        return {};
    }
    return path;
}

