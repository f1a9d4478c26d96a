#include "KestrelProcess.h"

#include <vector>

#include "app_ids.h"
#include "kit/Dc.h"
#include "kit/GdiObject.h"

namespace {

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindKestrel(HWND window, LPARAM lParam) {
    auto* context = reinterpret_cast<FindContext*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != context->processId) return TRUE;
    wchar_t caption[64] = {};
    ::GetWindowTextW(window, caption, 64);
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (std::wstring(caption) == L"Kestrel" && std::wstring(className) == L"#32770") {
        context->found = window;
        return FALSE;
    }
    return TRUE;
}

// A device context of the whole screen, released on every path.
class ScreenDc {
public:
    ScreenDc() : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ::ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC handle() const { return dc_; }

private:
    HDC dc_;
};

bool WriteBmp(const std::wstring& path, int width, int height, const void* bits, DWORD imageSize) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as the section was made
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = imageSize;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + imageSize;
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                         nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), &header, sizeof header, &written, nullptr) &&
           ::WriteFile(file.Get(), &info, sizeof info, &written, nullptr) &&
           ::WriteFile(file.Get(), bits, imageSize, &written, nullptr) && written == imageSize;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(pollMs);
    }
}

std::wstring HostPathToWindows(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

KestrelProcess::~KestrelProcess() {
    if (!running()) return;
    if (!Close(15000)) ::TerminateProcess(process_.Get(), 1);
}

std::wstring KestrelProcess::InstallCopy(const std::wstring& programPath, const std::wstring& folder) {
    const std::wstring copy = folder + L"\\Kestrel.exe";
    return ::CopyFileW(programPath.c_str(), copy.c_str(), FALSE) ? copy : std::wstring();
}

bool KestrelProcess::Start(const std::wstring& programPath) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + programPath + L"\"";
    const std::wstring folder = programPath.substr(0, programPath.find_last_of(L'\\'));
    if (!::CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return false;
    }
    process_.Reset(info.hProcess);
    thread_.Reset(info.hThread);
    processId_ = info.dwProcessId;
    window_ = nullptr;
    return true;
}

bool KestrelProcess::running() const {
    return process_.Valid() && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

HWND KestrelProcess::FindMainWindow() const {
    FindContext context{processId_, nullptr};
    ::EnumWindows(FindKestrel, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

bool KestrelProcess::WaitForMainWindow(DWORD timeoutMs) {
    return WaitUntil(
        [this] {
            window_ = FindMainWindow();
            return window_ != nullptr && ::IsWindowVisible(window_);
        },
        timeoutMs);
}

std::wstring KestrelProcess::ControlText(int id, DWORD timeoutMs) const {
    HWND control = ::GetDlgItem(window_, id);
    if (!control) return {};
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, timeoutMs,
                               &copied)) {
        return {};
    }
    return std::wstring(buffer, copied < 1024 ? copied : 1023);
}

bool KestrelProcess::IsChecked(int id) const {
    DWORD_PTR state = 0;
    return ::SendMessageTimeoutW(::GetDlgItem(window_, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state) &&
           state == BST_CHECKED;
}

bool KestrelProcess::SelectStation(int index) {
    HWND list = ::GetDlgItem(window_, IDC_MAIN_STATIONS);
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 10000, &result) ||
        static_cast<int>(result) != index) {
        return false;
    }
    return ::SendMessageTimeoutW(window_, WM_COMMAND, MAKEWPARAM(IDC_MAIN_STATIONS, CBN_SELCHANGE),
                                 reinterpret_cast<LPARAM>(list), SMTO_NORMAL, 10000, &result) != 0;
}

int KestrelProcess::SelectedStation() const {
    DWORD_PTR result = 0;
    const HWND list = ::GetDlgItem(window_, IDC_MAIN_STATIONS);
    if (!::SendMessageTimeoutW(list, CB_GETCURSEL, 0, 0, SMTO_NORMAL, 5000, &result)) return -1;
    return static_cast<int>(result);
}

bool KestrelProcess::Responsive(DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool KestrelProcess::Close(DWORD timeoutMs) {
    if (!process_.Valid()) return false;
    HWND window = window_ ? window_ : FindMainWindow();
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    // A crash ends the program with the exception's status as its exit code.
    return exitCode() < 0xC0000000u;
}

DWORD KestrelProcess::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_.Valid()) ::GetExitCodeProcess(process_.Get(), &code);
    return code;
}

bool KestrelProcess::SaveScreenshot(const std::wstring& bmpPath) const {
    RECT area{};
    if (!window_ || !::GetWindowRect(window_, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    ScreenDc screen;
    kit::MemoryDc memory(screen.handle());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    kit::UniqueGdiObject section(::CreateDIBSection(screen.handle(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits || !memory.handle()) return false;
    {
        kit::ScopedSelectObject selected(memory.handle(), section.Get());
        if (!::BitBlt(memory.handle(), 0, 0, width, height, screen.handle(), area.left, area.top, SRCCOPY)) return false;
    }
    ::GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    return WriteBmp(bmpPath, width, height, bits, stride * static_cast<DWORD>(height));
}
