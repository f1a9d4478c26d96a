// A local automation server under Internet Explorer's class for tests. The
// members the program calls by name: browser Navigate, Busy, Document, Quit;
// document body; body createTextRange; text range htmlText.
// The page comes over HTTP. An address containing "busy" stays busy, one
// containing "nobody" never gets a body. At Navigate it notes the navigation
// sound it sees under HKCU\Software\KestrelTest\ObservedNavigatingSound.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <string>

#include "web/HeadlessBrowser.h"
#include "web/Http.h"
#include "web/NavigationSound.h"

namespace {

const CLSID kInternetExplorerClass = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

enum Member : DISPID { Navigate = 1, Busy, Document, Quit, Body, CreateTextRange, HtmlText, Window, Silent };
const struct {
    const wchar_t* name;
    DISPID id;
} kMembers[] = {{L"Navigate", Navigate}, {L"Busy", Busy},   {L"Document", Document},
                {L"Quit", Quit},         {L"body", Body}, {L"createTextRange", CreateTextRange},
                {L"htmlText", HtmlText}, {L"HWND", Window},   {L"Silent", Silent}};

struct PageState {
    std::wstring html;
    bool busy = false;
    bool noBody = false;
    bool silent = false;
};

HWND topWindow = nullptr;

LONG liveBrowsers = 0;

void Note(const wchar_t* name, const wchar_t* value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\KestrelTest", name, REG_SZ, value,
                    static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t)));
}

void NoteNavigationSound() {
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kit::NavigationSound::kKeyPath, nullptr, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        lstrcpyW(value, L"(none)");
    Note(L"ObservedNavigatingSound", value);
}

class Object : public IDispatch {
public:
    explicit Object(std::shared_ptr<PageState> state) : state_(std::move(state)) {}
    virtual ~Object() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const auto& member : kMembers)
                if (lstrcmpiW(names[i], member.name) == 0) ids[i] = member.id;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        VARIANT ignored;
        VariantInit(&ignored);
        return Call(id, parameters, result ? result : &ignored);
    }

protected:
    virtual HRESULT Call(DISPID id, DISPPARAMS* parameters, VARIANT* result) = 0;
    static HRESULT ReturnObject(Object* object, VARIANT* result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        return S_OK;
    }
    std::shared_ptr<PageState> state_;

private:
    LONG references_ = 1;
};

class TextRange : public Object {
    using Object::Object;
    HRESULT Call(DISPID id, DISPPARAMS*, VARIANT* result) override {
        if (id != HtmlText) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(state_->html.data(), static_cast<UINT>(state_->html.size()));
        return S_OK;
    }
};

class BodyElement : public Object {
    using Object::Object;
    HRESULT Call(DISPID id, DISPPARAMS*, VARIANT* result) override {
        if (id != CreateTextRange) return DISP_E_MEMBERNOTFOUND;
        return ReturnObject(new TextRange(state_), result);
    }
};

class HtmlDocument : public Object {
    using Object::Object;
    HRESULT Call(DISPID id, DISPPARAMS*, VARIANT* result) override {
        if (id != Body) return DISP_E_MEMBERNOTFOUND;
        if (state_->noBody) {
            result->vt = VT_NULL;
            return S_OK;
        }
        return ReturnObject(new BodyElement(state_), result);
    }
};

class Browser : public Object {
public:
    Browser() : Object(std::make_shared<PageState>()) { InterlockedIncrement(&liveBrowsers); }
    ~Browser() override {
        if (InterlockedDecrement(&liveBrowsers) == 0) PostQuitMessage(0);
    }

private:
    HRESULT Call(DISPID id, DISPPARAMS* parameters, VARIANT* result) override {
        switch (id) {
        case Navigate: {
            if (parameters->cArgs < 1) return DISP_E_BADPARAMCOUNT;
            const VARIANT& url = parameters->rgvarg[parameters->cArgs - 1];  // first argument comes last
            if (url.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
            const std::wstring address(url.bstrVal, SysStringLen(url.bstrVal));
            NoteNavigationSound();
            if (address.find(L"stall") != std::wstring::npos ||
                (address.find(L"script") != std::wstring::npos && !state_->silent))
                Sleep(INFINITE);
            state_->busy = address.find(L"busy") != std::wstring::npos;
            state_->noBody = address.find(L"nobody") != std::wstring::npos;
            kit::Http http;
            if (!http.Open(address)) return E_FAIL;
            std::wstring page;
            http.ReadText(page);
            state_->html = BodyOfDocument(page);
            return S_OK;
        }
        case Busy:
            result->vt = VT_BOOL;
            result->boolVal = state_->busy ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case Document:
            return ReturnObject(new HtmlDocument(state_), result);
        case Quit:
            PostQuitMessage(0);
            return S_OK;
        case Window:
            result->vt = VT_I8;
            result->llVal = reinterpret_cast<LONG_PTR>(topWindow);
            return S_OK;
        case Silent:
            if (parameters->cArgs == 1 && parameters->rgvarg[0].vt == VT_BOOL)
                state_->silent = parameters->rgvarg[0].boolVal != VARIANT_FALSE;
            result->vt = VT_BOOL;
            result->boolVal = state_->silent ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        Browser* browser = new Browser;
        const HRESULT hr = browser->QueryInterface(iid, out);
        browser->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

DWORD WINAPI Watchdog(void*) {
    Sleep(30000);
    ExitProcess(3);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Never outlive a test, whatever COM or the message loop is doing: a
    // stray server would hold the test runner's output open.
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    Note(L"BrowserProcessId", std::to_wstring(GetCurrentProcessId()).c_str());
    topWindow = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    CoInitialize(nullptr);
    static Factory factory;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(kInternetExplorerClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                     &cookie))) {
        CoUninitialize();
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    CoRevokeClassObject(cookie);
    CoUninitialize();
    return 0;
}
