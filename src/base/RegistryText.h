#pragma once
// A string value read from the registry in full, however long it is.
#include <windows.h>

#include <string>

// The value `name` (nullptr: the key's default value) of `root`\`path`,
// when it is a REG_SZ or, unexpanded, a REG_EXPAND_SZ; `type` tells which.
bool ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value,
                      DWORD* type = nullptr);
