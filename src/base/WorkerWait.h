#pragma once
// Work that may take long, done off the window's thread: the window's thread
// waits for it while it keeps dispatching its messages, so that its windows
// go on painting, moving and answering.
#include <windows.h>

#include <functional>

// True when `handle` was signalled before `deadline` (a GetTickCount64
// value). A quit message ends the wait early and is posted again.
bool WaitPumpingMessages(HANDLE handle, ULONGLONG deadline);

// Runs `job` on a thread of its own and waits for it as above. True when it
// ended within `timeoutMs`. A job past its time is left to finish on its own;
// it must then touch nothing the caller owns (give it copies, or shared_ptr
// to its results).
bool RunOnWorker(std::function<void()> job, DWORD timeoutMs);
