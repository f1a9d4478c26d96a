#include "web/HeadlessBrowser.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "base/RegistryText.h"
#include "base/ScopedHandle.h"
#include "web/Http.h"
#include "web/TextDecoding.h"

namespace {

const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::wstring RegistryDefaultValue(HKEY root, const std::wstring& path) {
    std::wstring text;
    DWORD type = 0;
    if (!ReadRegistryText(root, path, nullptr, text, &type) || type != REG_SZ) return {};
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
    return text;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || std::towlower(text[i]) != prefix[i]) return false;
    return true;
}

// The address as one command-line argument: only http(s), so that it can
// never pass for a switch, and with nothing that could end the quotes.
bool QuotedAddress(const std::wstring& url, std::wstring& argument) {
    if (!StartsWithNoCase(url, L"http://") && !StartsWithNoCase(url, L"https://")) return false;
    argument = L"\"";
    for (wchar_t c : url) {
        if (c == L'"') argument += L"%22";
        else if (c == L' ') argument += L"%20";
        else if (c < 0x20) return false;
        else argument += c;
    }
    argument += L'"';
    return true;
}

kit::UniqueHandle InheritableFile(const std::wstring& path, DWORD access, DWORD creation, DWORD flags) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    return kit::UniqueHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         &inherit, creation, flags, nullptr));
}

// The browser writes its output into a temporary file that disappears with
// our handle: no pipe to drain while waiting, and nothing left behind.
kit::UniqueHandle TemporaryOutputFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"kst", 0, path)) return {};
    return InheritableFile(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
}

std::string ReadFromStart(HANDLE file, size_t limit) {
    std::string bytes;
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return bytes;
    char chunk[65536];
    DWORD read = 0;
    while (bytes.size() < limit && ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, std::min<size_t>(read, limit - bytes.size()));
    return bytes;
}

}  // namespace

std::wstring FindHeadlessBrowser() {
    for (const wchar_t* exe : {L"msedge.exe", L"chrome.exe"}) {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const std::wstring path = RegistryDefaultValue(root, std::wstring(kAppPaths) + exe);
            if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
        }
    }
    return {};
}

bool LoadWithHeadlessBrowser(const std::wstring& browserPath, const std::wstring& url, DWORD timeoutMs,
                             std::wstring& bodyHtml) {
    std::wstring address;
    if (browserPath.empty() || !QuotedAddress(url, address)) return false;
    kit::UniqueHandle output = TemporaryOutputFile();
    kit::UniqueHandle nothing = InheritableFile(L"NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, 0);
    if (!output || !nothing) return false;

    std::wstring commandLine = L"\"" + browserPath +
                               L"\" --headless --disable-gpu --no-first-run --no-default-browser-check "
                               L"--virtual-time-budget=5000 --dump-dom " +
                               address;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.Get();
    startup.hStdOutput = output.Get();
    startup.hStdError = nothing.Get();
    PROCESS_INFORMATION created = {};
    // Suspended until it is in the job, so that no helper process escapes it.
    if (!CreateProcessW(browserPath.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &created))
        return false;
    kit::UniqueHandle process(created.hProcess);
    kit::UniqueHandle thread(created.hThread);
    // Closing the job ends every process in it: nothing outlives the fetch.
    kit::UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        AssignProcessToJobObject(job.Get(), process.Get());
    }
    ResumeThread(thread.Get());
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        return false;
    }
    const std::string printed = ReadFromStart(output.Get(), kit::Http::kPageLimit);
    if (printed.empty()) return false;
    // --dump-dom prints UTF-8 whatever the page was in.
    bodyHtml = BodyOfDocument(DecodePageBytes(printed, "utf-8"));
    return true;
}

std::wstring BodyOfDocument(const std::wstring& document) {
    std::wstring lower(document);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    size_t open = lower.find(L"<body");
    // "<body" must not be the start of a longer tag name such as "<bodyx".
    while (open != std::wstring::npos && open + 5 < lower.size() && std::iswalnum(lower[open + 5]))
        open = lower.find(L"<body", open + 1);
    if (open == std::wstring::npos) return document;
    const size_t start = document.find(L'>', open);
    if (start == std::wstring::npos) return {};
    size_t end = lower.rfind(L"</body");
    if (end == std::wstring::npos || end < start) end = document.size();
    return document.substr(start + 1, end - start - 1);
}
