#include "StandInTypeLibrary.h"

#include <windows.h>
#include <oleauto.h>

#include "base/ComOwners.h"
#include "itunes/ITunesIds.h"

namespace {

const GUID kStandInLibraryId = {
    0x3b8e5a41, 0x27c4, 0x4f0d, {0x9a, 0x63, 0x1e, 0x84, 0xc2, 0x5f, 0x0b, 0x7a}};

bool AddDispatchInterface(ICreateTypeLib2* library, ITypeInfo* dispatchInfo, const wchar_t* name,
                          const IID& iid) {
    kit::ComPtr<ICreateTypeInfo> info;
    if (FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_DISPATCH,
                                       info.Receive()))) {
        return false;
    }
    HREFTYPE dispatchType = 0;
    return SUCCEEDED(info->SetGuid(iid)) &&
           SUCCEEDED(info->AddRefTypeInfo(dispatchInfo, &dispatchType)) &&
           SUCCEEDED(info->AddImplType(0, dispatchType)) && SUCCEEDED(info->LayOut());
}

}  // namespace

bool RegisterStandInTypeLibrary(const std::wstring& path) {
    kit::ComPtr<ITypeLib> standardLibrary;
    kit::ComPtr<ITypeInfo> dispatchInfo;
    if (FAILED(::LoadTypeLib(L"stdole2.tlb", standardLibrary.Receive())) ||
        FAILED(standardLibrary->GetTypeInfoOfGuid(IID_IDispatch, dispatchInfo.Receive()))) {
        return false;
    }
    {
        kit::ComPtr<ICreateTypeLib2> library;
        if (FAILED(::CreateTypeLib2(SYS_WIN64, path.c_str(), library.Receive())) ||
            FAILED(library->SetGuid(kStandInLibraryId)) || FAILED(library->SetVersion(1, 0)) ||
            FAILED(library->SetName(const_cast<LPOLESTR>(L"KestrelITunesStandIn"))) ||
            !AddDispatchInterface(library.Get(), dispatchInfo.Get(), L"IITUserPlaylist",
                                  kIITUserPlaylist) ||
            !AddDispatchInterface(library.Get(), dispatchInfo.Get(), L"IITFileOrCDTrack",
                                  kIITFileOrCDTrack) ||
            FAILED(library->SaveAllChanges())) {
            return false;
        }
    }
    kit::ComPtr<ITypeLib> registered;
    return SUCCEEDED(::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, registered.Receive()));
}
