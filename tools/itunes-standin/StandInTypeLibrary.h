#pragma once
#include <string>

// Builds and registers a type library that describes the interfaces clients
// query across the process boundary (user playlist, file track) as
// dispinterfaces; without it such queries fail with E_NOINTERFACE.
bool RegisterStandInTypeLibrary(const std::wstring& path);
