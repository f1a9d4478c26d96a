// The registration run on a thread of its own, for callers that wait for it.
#include <windows.h>

#include <exception>
#include <memory>

#include "base/ScopedHandle.h"
#include "itunes/ITunesConnection.h"
#include "itunes/ITunesRegistration.h"
#include "itunes/RegistrationHooks.h"

namespace {

// What the thread reads and writes: it may outlive the caller's wait.
struct ThreadJob {
    PendingSong song;
    LibraryRules rules;
    std::shared_ptr<RegistrationHooks> hooks;
    RegistrationResult result;
};

RegistrationResult RunJob(const ThreadJob& job) {
    MultithreadedApartment apartment;
    if (!apartment.ok()) return {};
    ITunesConnection connection;  // closed before the apartment
    return RegisterSongOn(connection, job.song, job.rules, RegistrationHooks::Forwarding(job.hooks));
}

DWORD WINAPI RunThreadJob(void* parameter) {
    std::unique_ptr<std::shared_ptr<ThreadJob>> owner(static_cast<std::shared_ptr<ThreadJob>*>(parameter));
    ThreadJob& job = **owner;
    job.result = RunJob(job);
    return 0;
}

}  // namespace

RegistrationResult RegisterSongNow(const PendingSong& song, const LibraryRules& rules,
                                   const RegistrationOptions& options) {
    RegistrationResult timedOut;
    timedOut.timedOut = true;
    try {
        auto job = std::make_shared<ThreadJob>(
            ThreadJob{song, rules, std::make_shared<RegistrationHooks>(options), RegistrationResult()});
        auto parameter = std::make_unique<std::shared_ptr<ThreadJob>>(job);
        kit::UniqueHandle worker(::CreateThread(nullptr, 0, RunThreadJob, parameter.get(), 0, nullptr));
        if (!worker) return {};
        parameter.release();  // the thread owns it now
        if (::WaitForSingleObject(worker.Get(), options.deadlineMs) == WAIT_OBJECT_0) return job->result;
        job->hooks->Close();
        return timedOut;
    } catch (const std::exception&) {
        return {};
    }
}
