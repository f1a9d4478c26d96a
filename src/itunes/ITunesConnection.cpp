#include "itunes/ITunesConnection.h"

#include "base/DiagnosticLog.h"
#include "itunes/ITunesIds.h"
#include "itunes/ServerIdentity.h"

bool IsServerGone(HRESULT hr) {
    // RPC_S_SERVER_UNAVAILABLE, RPC_S_CALL_FAILED and RPC_S_CALL_FAILED_DNE
    // as HRESULTs (0x800706BA, 0x800706BE, 0x800706BF).
    const HRESULT rpcGone[] = {static_cast<HRESULT>(0x800706BA), static_cast<HRESULT>(0x800706BE),
                               static_cast<HRESULT>(0x800706BF)};
    for (HRESULT gone : rpcGone) {
        if (hr == gone) return true;
    }
    return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE ||
           hr == CO_E_OBJNOTCONNECTED;
}

bool ITunesConnection::Open() {
    if (IsOpen()) return true;
    Close();
    kit::ComPtr<IDispatch> application;
    const HRESULT created = ::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                               reinterpret_cast<void**>(application.Receive()));
    if (FAILED(created) || !application) {
        LogFailure("iTunes に接続できない", std::string_view(), created);
        return false;
    }
    iTunes_ = AutomationObject(std::move(application), ITunesServerIdentity());
    libraryPlaylist_ = iTunes_.GetObject(L"LibraryPlaylist");
    return IsOpen();
}

void ITunesConnection::Close() {
    libraryPlaylist_ = AutomationObject();
    iTunes_ = AutomationObject();
}

bool ITunesConnection::CheckLost() {
    if (!iTunes_) return false;
    kit::ScopedVariant answer;
    const HRESULT hr = iTunes_.Invoke(L"LibraryPlaylist", DISPATCH_PROPERTYGET, {}, answer.Receive());
    if (!IsServerGone(hr)) return false;
    Close();
    return true;
}
