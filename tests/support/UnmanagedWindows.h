#pragma once
// Without a window manager Wine waits for every managed window it maps or
// hides: this test program's windows are left unmanaged. Wine reads the
// setting when the program makes its first window, so call it before that
// (from a static initializer).
namespace testing_support {

bool LeaveWindowsUnmanaged();

}  // namespace testing_support
