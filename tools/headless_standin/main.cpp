// Usage: headless_standin --headless ... --dump-dom URL
// An address containing "hang" does not finish for a minute; one that cannot be fetched
// prints nothing.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "web/Http.h"

int main() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    bool headless = false, dumpDom = false;
    for (int i = 1; i < count; ++i) {
        headless |= std::wstring(arguments[i]) == L"--headless";
        dumpDom |= std::wstring(arguments[i]) == L"--dump-dom";
    }
    const std::wstring url = count > 1 ? arguments[count - 1] : L"";
    LocalFree(arguments);
    if (!headless || !dumpDom) return 2;
    if (url.find(L"hang") != std::wstring::npos) Sleep(60000);

    kit::Http http;
    if (!http.Open(url)) return 1;
    std::wstring page;
    http.ReadText(page);
    const int size = WideCharToMultiByte(CP_UTF8, 0, page.data(), static_cast<int>(page.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, page.data(), static_cast<int>(page.size()), &utf8[0], size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    return 0;
}
