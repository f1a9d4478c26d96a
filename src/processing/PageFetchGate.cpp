#include "processing/PageFetchGate.h"

#include <windows.h>

#include <memory>

std::wstring PageFetchGate::HostOf(const std::wstring& url) {
    std::size_t start = url.find(L"://");
    start = start == std::wstring::npos ? 0 : start + 3;
    std::size_t end = url.find_first_of(L"/?#", start);
    if (end == std::wstring::npos) end = url.size();
    std::wstring host = url.substr(start, end - start);
    const std::size_t credentials = host.rfind(L'@');
    if (credentials != std::wstring::npos) host.erase(0, credentials + 1);
    if (!host.empty()) ::CharLowerBuffW(&host[0], static_cast<DWORD>(host.size()));
    return host;
}

void PageFetchGate::Submit(const std::wstring& url, Job job) {
    waiting_.push_back(Waiting{HostOf(url), std::move(job)});
    StartWhatFits();
}

void PageFetchGate::StartWhatFits() {
    for (auto it = waiting_.begin(); it != waiting_.end() && running_ < kAtOnce;) {
        if (busyHosts_[it->host] > 0) {
            ++it;
            continue;
        }
        Waiting next = std::move(*it);
        it = waiting_.erase(it);
        ++running_;
        ++busyHosts_[next.host];
        // Called at most once, whatever the job does with it.
        auto done = std::make_shared<bool>(false);
        const std::wstring host = next.host;
        next.job([this, done, host] {
            if (*done) return;
            *done = true;
            Finished(host);
        });
        // A job may have finished at once and changed the queue.
        it = waiting_.begin();
    }
}

void PageFetchGate::Finished(const std::wstring& host) {
    --running_;
    if (--busyHosts_[host] <= 0) busyHosts_.erase(host);
    StartWhatFits();
}
