#pragma once
// How many station pages are fetched at once: a few over all stations and
// one per host, so that many stations do not flood the network or one
// server, and a slow server holds up only the stations it serves. Used on
// the window's thread only.
#include <deque>
#include <functional>
#include <map>
#include <string>

class PageFetchGate {
public:
    static constexpr int kAtOnce = 4;

    // Each job is handed a `finished` to call once, on the window's thread,
    // when its fetch has ended; until then it holds its place and its host.
    using Job = std::function<void(std::function<void()> finished)>;

    // Starts the job now, or when a place and its host are free; jobs wait
    // in the order they came, but one for a busy host lets others pass.
    void Submit(const std::wstring& url, Job job);

    int running() const { return running_; }
    std::size_t waiting() const { return waiting_.size(); }

    // The host (and port) of an address, lower case; the whole address when
    // it has none.
    static std::wstring HostOf(const std::wstring& url);

private:
    struct Waiting {
        std::wstring host;
        Job job;
    };
    void StartWhatFits();
    void Finished(const std::wstring& host);

    std::deque<Waiting> waiting_;
    std::map<std::wstring, int> busyHosts_;
    int running_ = 0;
};
