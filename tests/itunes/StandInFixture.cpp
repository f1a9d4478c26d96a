#include "StandInFixture.h"

#include <objbase.h>

#include "settings/SettingsCatalogue.h"

void StandInTest::SetUp() {
    comReady_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(comReady_);
    ASSERT_TRUE(testing_support::Exists(scratch.path()));

    WriteStartValues(settings);  // the program's own start values
    station.SetString(L"StationName", L"テスト局");
}

void StandInTest::TearDown() {
    if (registration) {
        EXPECT_TRUE(ITunesStandInRegistration::WaitForServerExit())
            << "the stand-in kept running after every object was released";
        registration.reset();
    }
    if (comReady_) ::CoUninitialize();
}

void StandInTest::Serve(const StandInLibrary& library) {
    ASSERT_TRUE(library.Save(libraryPath));
    registration = std::make_unique<ITunesStandInRegistration>(libraryPath);
    ASSERT_TRUE(registration->registered());
}

StandInLibrary StandInTest::Served() const {
    StandInLibrary library;
    EXPECT_TRUE(library.Load(libraryPath));
    return library;
}

std::wstring StandInTest::MakeRecording(const std::wstring& fileName) const {
    const std::wstring path = folder + fileName;
    const char bytes[] = "\xFF\xFB\x90\x00 not really audio";
    EXPECT_TRUE(testing_support::WriteBytes(path, std::vector<std::uint8_t>(bytes, bytes + sizeof bytes - 1)));
    return path;
}

PendingSong StandInTest::Song(const std::wstring& title, const std::wstring& artist,
                              const std::wstring& album, const std::wstring& fileName) const {
    PendingSong song;
    song.filePath = MakeRecording(fileName);
    song.title = title;
    song.artist = artist;
    song.album = album;
    return song;
}

bool StandInTest::Register(const PendingSong& song) {
    RegistrationOptions options;
    options.wait = [this](unsigned milliseconds) { waits.push_back(milliseconds); };
    return RegisterSong(song, settings, station, options);
}
