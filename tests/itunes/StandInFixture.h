#pragma once
// A test that talks to the stand-in iTunes over real COM: it writes the
// library the server starts from, registers songs, and reads the library the
// server wrote back.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "itunes/ITunesRegistration.h"
#include "support/ITunesStandIn.h"
#include "support/ITunesStandInLibrary.h"
#include "support/TempFolder.h"

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the library and registers the server to serve it.
    void Serve(const StandInLibrary& library);
    // The library as the server left it.
    StandInLibrary Served() const;
    // A small file in the output folder standing for a finished recording.
    std::wstring MakeRecording(const std::wstring& fileName) const;
    static bool Exists(const std::wstring& path) { return testing_support::Exists(path); }
    // The persistent ID the stand-in gives the track with this id.
    static std::wstring TrackIdOf(long standInId);

    PendingSong Song(const std::wstring& title, const std::wstring& artist,
                     const std::wstring& album, const std::wstring& fileName) const;
    // Waits are recorded instead of slept. Register goes through the entry
    // that reads the settings tree, RegisterNow through the typed one.
    bool Register(const PendingSong& song);
    RegistrationResult RegisterNow(const PendingSong& song);
    // Where the Recycle Bin puts files under Wine: a scratch folder of this
    // test program ($XDG_DATA_HOME/Trash/files), set before the first test.
    static std::wstring TrashFolder();

    testing_support::TempFolder scratch;
    std::wstring folder = scratch.path() + L"\\";  // with the separator, for folder + name
    std::wstring libraryPath = folder + L"library.txt";
    Settings settings;  // start values of the program
    Settings station;
    std::vector<unsigned> waits;
    unsigned deadlineMs = 120000;
    std::unique_ptr<ITunesStandInRegistration> registration;

private:
    bool comReady_ = false;
};
