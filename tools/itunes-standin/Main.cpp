// A stand-in for iTunes' automation server. COM starts it through the
// LocalServer32 command line:
//   itunes-standin.exe /library <file> [/readonly]
// It loads the library from <file> whenever a client connects while no
// application object is alive, writes every change back (unless /readonly),
// and ends when its last object is released.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "StandInObjects.h"
#include "StandInState.h"
#include "StandInTypeLibrary.h"
#include "base/ComOwners.h"
#include "base/ScopedHandle.h"
#include "itunes/ITunesIds.h"

namespace {

// Tests wait for this to disappear before they change the registration.
const wchar_t kRunningMutex[] = L"KestrelITunesStandInRunning";
// A server that nobody connects to does not linger.
constexpr UINT kIdleCheckMs = 30000;

struct CommandLine {
    std::wstring library;
    bool readOnly = false;
};

struct LocalMemory {
    explicit LocalMemory(void* memory) : memory(memory) {}
    ~LocalMemory() { ::LocalFree(memory); }
    void* memory;
};

CommandLine ParseCommandLine() {
    CommandLine result;
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    LocalMemory owner(arguments);
    for (int i = 1; arguments && i < count; ++i) {
        const std::wstring argument = arguments[i];
        if ((argument == L"/library" || argument == L"-library") && i + 1 < count) {
            result.library = arguments[++i];
        } else if (argument == L"/readonly" || argument == L"-readonly") {
            result.readOnly = true;
        }
    }
    return result;
}

std::wstring TypeLibraryPath() {
    wchar_t module[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path(module, length);
    const size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos) path.erase(dot);
    return path + L".tlb";
}

// Refuses automation calls while the library asks for it, the way iTunes does
// while one of its dialogs is open; the calls that keep objects alive pass.
class RejectingFilter : public IMessageFilter {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *object = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
        const bool automation = info && (IsEqualIID(info->iid, IID_IDispatch) ||
                                         IsEqualIID(info->iid, IID_IEnumVARIANT));
        return automation && State().Rejecting() ? SERVERCALL_REJECTED : SERVERCALL_ISHANDLED;
    }
    STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

struct ComApartment {
    ComApartment() : ok(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ok) ::CoUninitialize();
    }
    bool ok;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, char*, int) {
    kit::UniqueHandle running(::CreateMutexW(nullptr, FALSE, kRunningMutex));
    const CommandLine commandLine = ParseCommandLine();
    StandInState& state = State();
    state.libraryPath = commandLine.library;
    state.readOnly = commandLine.readOnly;

    ComApartment apartment;
    if (!apartment.ok) return 1;
    RegisterStandInTypeLibrary(TypeLibraryPath());
    static RejectingFilter filter;
    kit::ComPtr<IMessageFilter> previousFilter;
    ::CoRegisterMessageFilter(&filter, previousFilter.Receive());
    if (FAILED(::CoRegisterClassObject(kITunesAppClass, ApplicationFactory(), CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE, &state.classCookie))) {
        return 1;
    }
    state.classRegistered = true;

    const UINT_PTR idleTimer = ::SetTimer(nullptr, 0, kIdleCheckMs, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr &&
            message.wParam == idleTimer && state.liveObjects == 0) {
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::KillTimer(nullptr, idleTimer);
    if (state.classRegistered) ::CoRevokeClassObject(state.classCookie);
    return 0;
}
