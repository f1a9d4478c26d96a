#pragma once
// The playlist a station's songs are added to.
#include <string>

#include "itunes/AutomationObject.h"

// The user-playlist interface of the first ordinary user playlist (neither
// smart nor a folder nor one of iTunes' own) named `name`, created when the
// name belongs to none. Null when none can be found or made.
AutomationObject FindOrCreateStationPlaylist(const AutomationObject& iTunes, const std::wstring& name);
