#pragma once
// Running a job that calls another process over COM without letting that
// process hang the calling window: the job runs on a thread of its own in
// the multithreaded apartment, and the caller waits for it while it pumps
// its messages, up to a deadline.
#include <windows.h>

#include <functional>

// False when the job returned false, could not start, or was still running
// at the deadline. A job past its deadline is left to finish on its own (no
// call can be cancelled); `abandon` runs then, on the calling thread, and no
// new job starts until the abandoned one has ended: the next call waits for
// it first, within its own deadline.
bool RunInWorkerApartment(std::function<bool()> job, DWORD deadlineMs,
                          const std::function<void()>& abandon = {});
