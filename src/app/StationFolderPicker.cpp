#include "app/StationFolderPicker.h"

#include <commctrl.h>

#include <vector>

#include "base/ComOwners.h"

BROWSEINFOW FolderPickerInfo(HWND owner, const std::wstring& startFolder, wchar_t* displayName) {
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = nullptr;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = &FolderPickerCallback;
    info.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
    return info;
}

int CALLBACK FolderPickerCallback(HWND picker, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED || !data) return 0;
    ::SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
    ::SendMessageW(picker, BFFM_SETEXPANDED, TRUE, data);
    // The picker selects the folder but leaves it wherever it lies in the
    // tree; bring it into sight once the tree has settled.
    HWND space = ::FindWindowExW(picker, nullptr, L"SHBrowseForFolder ShellNameSpace Control", nullptr);
    HWND tree = space ? ::FindWindowExW(space, nullptr, WC_TREEVIEWW, nullptr) : nullptr;
    if (!tree) return 0;
    const LPARAM selected = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (selected) ::PostMessageW(tree, TVM_ENSUREVISIBLE, 0, selected);
    return 0;
}

bool PickFolder(HWND owner, const std::wstring& startFolder, std::wstring& chosen) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = FolderPickerInfo(owner, startFolder, displayName);
    // The item list the picker returns belongs to the caller.
    const kit::UniqueItemIdList item(::SHBrowseForFolderW(&info));
    if (!item) return false;
    // SHGetPathFromIDListW writes at most MAX_PATH characters
    std::vector<wchar_t> path(MAX_PATH + 1, L'\0');
    if (!::SHGetPathFromIDListW(item.Get(), path.data())) return false;
    chosen = path.data();
    return true;
}
