#pragma once
// A track's persistent ID: the one name of a track that stays while the
// library changes around it.
#include <string>

#include "itunes/AutomationObject.h"

struct PersistentId {
    long high = 0, low = 0;
};

// Both halves in one call; by the two properties that scripts use where
// that call fails (`pairFails` then says so for the next track).
bool ReadPersistentId(const AutomationObject& iTunes, const AutomationObject& track, PersistentId& id,
                      bool& pairFails);

// "HHHHHHHHLLLLLLLL": 16 upper-case hex digits, high half first.
std::wstring PersistentIdText(const PersistentId& id);
