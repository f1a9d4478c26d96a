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

void StandInState::HangIfAsked(const std::wstring& member) {
    if (library.hangMember.empty() || ::lstrcmpiW(member.c_str(), library.hangMember.c_str()) != 0) {
        return;
    }
    library.hangMember.clear();
    // Written before the hang, so that a server started later on the same
    // file (this one killed meanwhile) does not hang again.
    Changed();
    ::Sleep(static_cast<DWORD>(library.hangMs));
}

bool StandInState::Rejecting() {
    if (library.rejectMs <= 0) return false;
    const unsigned long long now = ::GetTickCount64();
    if (rejectUntil == 0) rejectUntil = now + library.rejectMs;
    if (now < rejectUntil) return true;
    library.rejectMs = 0;
    return false;
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
