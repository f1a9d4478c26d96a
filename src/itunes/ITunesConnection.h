#pragma once
// A connection to iTunes that lasts for as many registrations as come one
// after another: made on first use, closed when the server is found gone.
// Used only on the thread that made it, which is in the multithreaded
// apartment.
#include <windows.h>

#include "itunes/AutomationObject.h"

// What a call answers when the server process is gone (quit, crashed,
// killed): the connection is dead and only a new one can reach iTunes.
bool IsServerGone(HRESULT hr);

class ITunesConnection {
public:
    // Connects unless connected. False when iTunes cannot be reached.
    bool Open();
    void Close();
    bool IsOpen() const { return static_cast<bool>(libraryPlaylist_); }
    // Asked after a failure: true when the server has gone away, and the
    // connection is closed then. One round trip.
    bool CheckLost();

    const AutomationObject& iTunes() const { return iTunes_; }
    const AutomationObject& libraryPlaylist() const { return libraryPlaylist_; }

private:
    AutomationObject iTunes_;
    AutomationObject libraryPlaylist_;
};

// COM in the multithreaded apartment for the lifetime of the object, undone
// only when it succeeded.
class MultithreadedApartment {
public:
    MultithreadedApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~MultithreadedApartment() {
        if (ok_) ::CoUninitialize();
    }
    MultithreadedApartment(const MultithreadedApartment&) = delete;
    MultithreadedApartment& operator=(const MultithreadedApartment&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};
