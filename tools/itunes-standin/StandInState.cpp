#include "StandInState.h"

#include <windows.h>
#include <objbase.h>

StandInState& State() {
    static StandInState state;
    return state;
}

void StandInState::Changed() {
    if (!readOnly && !libraryPath.empty()) library.Save(libraryPath);
}

bool StandInState::ShouldFail(const std::wstring& member) {
    auto found = library.failures.find(member);
    if (found == library.failures.end() || found->second <= 0) return false;
    --found->second;
    return true;
}

void StandInState::ObjectCreated() { ++liveObjects; }

void StandInState::ObjectDestroyed() {
    if (--liveObjects > 0) return;
    // Withdraw the class at once, so that a new client starts a fresh server
    // instead of reaching this one on its way out.
    if (classRegistered) {
        ::CoRevokeClassObject(classCookie);
        classRegistered = false;
    }
    ::PostQuitMessage(0);
}
