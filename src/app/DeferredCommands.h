#pragma once
// Commands that would change what a running tick works with (the stations,
// the settings, the window's life) wait until the tick has ended: the
// message window pumps messages, so a click queued meanwhile would otherwise
// run inside the tick. Help, minimising and moving act at once.
#include <windows.h>

#include <vector>

class DeferredCommands {
public:
    // True when the message is such a command; it is then kept for Replay.
    bool Defer(UINT message, WPARAM wParam, LPARAM lParam);
    // Posts the kept commands to `window` again, in their order.
    void Replay(HWND window);

private:
    std::vector<MSG> kept_;
};
