#pragma once
// Plays the outside recorder for the end-to-end test, the demo and the
// benchmarks: it writes each song as an MP3 file (an ID3v2 tag, audio frames,
// and at the end an ID3v1 trailer) into the recording folder, keeps the song
// in progress open for writing and growing from a thread of its own, and
// hands a finished song over to the folder of finished recordings.
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ScopedHandle.h"

struct RecordedTags {
    std::wstring title;   // TIT2, and the ID3v1 title in the ANSI code page
    std::wstring artist;  // TPE1, and the ID3v1 artist
};

class RecorderSimulator {
public:
    RecorderSimulator(const std::wstring& playDirectory, const std::wstring& endDirectory,
                      DWORD growIntervalMs = 200);
    // Stops growing; the song in progress stays open until here and then
    // remains in the recording folder, as when the recorder is quit.
    ~RecorderSimulator();
    RecorderSimulator(const RecorderSimulator&) = delete;
    RecorderSimulator& operator=(const RecorderSimulator&) = delete;

    // Ends the song in progress, if any, then starts `fileName`. The finished
    // file appears in the finished folder before the new one appears in the
    // recording folder, and the recording folder is never empty between
    // them, so a watcher sees one clean step whenever it looks.
    bool NextSong(const std::wstring& fileName, const RecordedTags& tags);
    // Ends the song in progress without starting another.
    bool EndSong();

    // The audio bytes written for a song: what remains once its tags are gone.
    std::vector<std::uint8_t> Audio(const std::wstring& fileName) const;
    std::wstring current() const;

    static std::vector<std::uint8_t> Id3v2Tag(const RecordedTags& tags);
    static std::vector<std::uint8_t> Id3v1Trailer(const RecordedTags& tags);

private:
    bool FinishCurrent(bool keepUntilNextExists);
    void Grow();
    bool AppendFrame();

    std::wstring playDirectory_, endDirectory_;
    DWORD growIntervalMs_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::wstring current_;
    RecordedTags currentTags_;
    kit::UniqueHandle file_;
    std::wstring linkedInPlay_;  // finished, already in the end folder, still to leave the recording folder
    std::map<std::wstring, std::vector<std::uint8_t>> audio_;
    std::uint32_t frameSeed_ = 1;
    std::thread grower_;
};
