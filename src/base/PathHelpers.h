#pragma once
// Path and string helpers, all on the shell's path functions so that they
// treat names exactly as Windows does.
#include <string>

std::wstring AddBackslash(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
std::wstring ExtensionOf(const std::wstring& path);
std::wstring RemoveExtension(const std::wstring& path);
std::wstring RenameExtension(const std::wstring& path, const std::wstring& extension);
std::wstring DirectoryOf(const std::wstring& path);
// `path` in the form that passes MAX_PATH: "\\?\" (or "\\?\UNC\") before a
// full path of MAX_PATH - 12 characters or more; anything else as it is.
std::wstring ExtendedLengthPath(const std::wstring& path);
// The program file's full path.
std::wstring ModulePath();
// Replaces every occurrence of `from` (never empty); text produced by a
// replacement is not searched again.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to);
