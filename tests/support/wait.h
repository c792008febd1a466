// Waiting for another process, or for something it does, to reach a state.
#pragma once

#include <windows.h>

namespace wait {

// Deadlines, generous: a loaded machine may be many times slower than usual.
constexpr DWORD kWaitMs = 30000;

// Waits until ready() holds, looking again every pollMs (a timed wait asks
// for a fine interval, so that the time seen is the time the state came);
// false after the deadline.
template <typename Ready>
bool WaitUntil(Ready ready, DWORD timeoutMs = kWaitMs, DWORD pollMs = 20) {
    const DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(pollMs);
    }
    return true;
}

}  // namespace wait
