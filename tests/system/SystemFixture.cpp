#include "system/SystemFixture.h"

#include "base/ScopedHandle.h"
#include "support/KestrelProcess.h"

namespace system_test {

std::wstring BuildFolder() { return HostPathToWindows(KESTREL_BUILD_DIR); }
std::wstring ProgramPath() { return BuildFolder() + L"\\bin\\Kestrel.exe"; }
std::wstring SettingsWriterPath() { return BuildFolder() + L"\\tools\\settings-writer\\settings-writer.exe"; }

std::wstring ArtefactFolder() {
    const std::wstring folder = BuildFolder() + L"\\test-artefacts";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

int RunProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return -1;
    }
    kit::UniqueHandle process(info.hProcess);
    kit::UniqueHandle thread(info.hThread);
    if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    return static_cast<int>(code);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}

bool WriteUtf8(const std::wstring& path, const std::string& text) {
    return testing_support::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

StationFolders::StationFolders(const std::wstring& root)
    : play(root + L"\\録音中"), end(root + L"\\録音終了"), output(root + L"\\出力先") {
    ::CreateDirectoryW(root.c_str(), nullptr);
    ::CreateDirectoryW(play.c_str(), nullptr);
    ::CreateDirectoryW(end.c_str(), nullptr);
    // The output folder is left for the program to create.
}

}  // namespace system_test
