#include "StandInFixture.h"

#include <objbase.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

#include "base/ScopedHandle.h"
#include "support/TempFolder.h"
#include "settings/SettingsCatalogue.h"

namespace {

void RemoveFolder(const std::wstring& folder) {
    std::wstring from = folder;
    from.push_back(L'\0');  // the list ends with a second terminator
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

// Recycled files stay out of the user's own trash; Wine reads where the
// trash is once per process, so it is set before any test deletes anything.
std::wstring PrepareTrash() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dataHome =
        std::wstring(temp) + L"kestrel-trash-" + std::to_wstring(::GetCurrentProcessId());
    RemoveFolder(dataHome);
    ::CreateDirectoryW(dataHome.c_str(), nullptr);
    return testing_support::PointTrashAt(dataHome);
}

}  // namespace

std::wstring StandInTest::TrashFolder() {
    static const std::wstring folder = PrepareTrash();
    return folder;
}

void StandInTest::SetUp() {
    TrashFolder();
    comReady_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(comReady_);
    ASSERT_TRUE(testing_support::Exists(scratch.path()));

    WriteStartValues(settings);  // the program's own start values
    station.SetString(L"StationName", L"テスト局");
    station.SetString(L"OutputDirectory", folder);
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
    song.stationName = station.GetString(L"StationName");
    song.outputFolder = folder;
    return song;
}

bool StandInTest::Register(const PendingSong& song) {
    RegistrationOptions options;
    options.wait = [this](unsigned milliseconds) { waits.push_back(milliseconds); };
    options.deadlineMs = deadlineMs;
    PendingSong own = song;
    own.stationName = station.GetString(L"StationName");
    own.outputFolder = station.GetString(L"OutputDirectory");
    return RegisterSongNow(own, ReadLibraryRules(settings), options).registered;
}

RegistrationResult StandInTest::RegisterNow(const PendingSong& song) {
    RegistrationOptions options;
    options.wait = [this](unsigned milliseconds) { waits.push_back(milliseconds); };
    options.deadlineMs = deadlineMs;
    return RegisterSongNow(song, ReadLibraryRules(settings), options);
}

std::wstring StandInTest::TrackIdOf(long standInId) {
    wchar_t id[17] = {};
    std::swprintf(id, 17, L"4B53544C%08lX", static_cast<unsigned long>(standInId));
    return id;
}
