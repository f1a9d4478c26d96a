#include "itunes/PersistentId.h"

#include <cwchar>

bool ReadPersistentId(const AutomationObject& iTunes, const AutomationObject& track, PersistentId& id,
                      bool& pairFails) {
    const VARIANT object = ObjectArgument(track.Get());
    if (!pairFails) {
        if (iTunes.Call(L"GetITObjectPersistentIDs", {object, LongReference(id.high), LongReference(id.low)})) {
            return true;
        }
        pairFails = true;
    }
    return iTunes.GetLong(L"ITObjectPersistentIDHigh", {object}, id.high) &&
           iTunes.GetLong(L"ITObjectPersistentIDLow", {object}, id.low);
}

std::wstring PersistentIdText(const PersistentId& id) {
    wchar_t text[17] = {};
    std::swprintf(text, 17, L"%08lX%08lX", static_cast<unsigned long>(id.high) & 0xFFFFFFFFul,
                  static_cast<unsigned long>(id.low) & 0xFFFFFFFFul);
    return text;
}
