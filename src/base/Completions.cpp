#include "base/Completions.h"

#include <windows.h>

#include "base/DiagnosticLog.h"
#include "base/ScopedHandle.h"

namespace {

struct WorkerJob {
    CompletionsPtr completions;
    std::function<void()> work;
    std::function<void()> done;
};

DWORD WINAPI RunWorkerJob(void* parameter) {
    std::unique_ptr<WorkerJob> job(static_cast<WorkerJob*>(parameter));
    try {
        job->work();
    } catch (const std::exception& error) {
        // The results the job promised stay empty; `done` still reports.
        LogFailure("作業スレッドの例外", std::string_view(error.what()));
    } catch (...) {
        LogFailure("作業スレッドの例外", std::string_view());
    }
    job->completions->Post(std::move(job->done));
    return 0;
}

}  // namespace

bool StartWorker(const CompletionsPtr& completions, std::function<void()> work, std::function<void()> done) {
    if (!completions) return false;
    auto job = std::make_unique<WorkerJob>(WorkerJob{completions, std::move(work), std::move(done)});
    kit::UniqueHandle thread(::CreateThread(nullptr, 0, RunWorkerJob, job.get(), 0, nullptr));
    if (!thread) return false;
    job.release();  // the thread owns it now
    return true;
}
