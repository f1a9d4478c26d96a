// What travels in the release: the program file must run on a bare Windows,
// so it may import only the system's own libraries (the runtime is linked in).
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>

#include "kit/ScopedHandle.h"
#include "support/KestrelProcess.h"
#include "support/TempFolder.h"
#include "system/SystemFixture.h"

using namespace system_test;

namespace {

const char kObjdump[] = "/usr/bin/x86_64-w64-mingw32-objdump";

// Runs a host program (Wine starts Unix programs too) and collects its output.
bool CaptureOutput(const std::wstring& program, const std::wstring& arguments, std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
    kit::UniqueHandle reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.Get();
    startup.hStdError = writer.Get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return false;
    }
    kit::UniqueHandle process(info.hProcess), thread(info.hThread);
    writer.Reset();  // the child holds the only write end now
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(reader.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    return ::WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0;
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

TEST(ReleaseTest, TheProgramImportsOnlyWindowsOwnLibraries) {
    const std::wstring objdump = HostPathToWindows(kObjdump);
    if (!testing_support::Exists(objdump)) GTEST_SKIP() << "no MinGW objdump on this machine";
    std::string listing;
    // objdump is a host program: it takes the host's path.
    const std::string program = std::string(KESTREL_BUILD_DIR) + "/bin/Kestrel.exe";
    ASSERT_TRUE(CaptureOutput(objdump, L"-p \"" + std::wstring(program.begin(), program.end()) + L"\"", listing));
    const std::set<std::wstring> windowsOwn{
        L"advapi32.dll", L"comctl32.dll", L"comdlg32.dll", L"gdi32.dll",    L"kernel32.dll",
        L"msvcrt.dll",   L"ole32.dll",    L"oleaut32.dll", L"shell32.dll",  L"shlwapi.dll",
        L"user32.dll",   L"version.dll",  L"winhttp.dll",  L"ws2_32.dll",   L"uxtheme.dll",
        L"imm32.dll",    L"winmm.dll",    L"ntdll.dll",    L"bcrypt.dll",   L"crypt32.dll"};
    std::vector<std::wstring> imported;
    const std::string marker = "DLL Name: ";
    for (size_t at = listing.find(marker); at != std::string::npos; at = listing.find(marker, at + 1)) {
        const size_t start = at + marker.size();
        const std::string name = listing.substr(start, listing.find_first_of("\r\n", start) - start);
        imported.emplace_back(name.begin(), name.end());
    }
    ASSERT_FALSE(imported.empty()) << "objdump listed no imports:\n" << listing;
    for (const std::wstring& name : imported) {
        const std::wstring lower = Lower(name);
        const bool apiSet = lower.rfind(L"api-ms-win-", 0) == 0;
        EXPECT_TRUE(apiSet || windowsOwn.count(lower)) << "imports " << std::string(name.begin(), name.end());
    }
}

TEST(ReleaseTest, TheManualTravelsBesideTheProgram) {
    EXPECT_TRUE(testing_support::Exists(BuildFolder() + L"\\bin\\Manual\\index.html"));
}

}  // namespace
