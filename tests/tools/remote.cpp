// larkmoor_remote: a small console tool for scripts that run Larkmoor on a
// virtual display. "wait" waits (up to 30 s) until the main window is shown
// with no dialog in front of it; "exit" sends the Exit command and waits for
// the window to go. Exit code 0 on success, 1 on timeout.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "resource.h"
#include "support/wait.h"

namespace {

HWND FindMain() { return FindWindowA("larkmoorclass", nullptr); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: larkmoor_remote wait|exit\n");
        return 2;
    }
    if (std::strcmp(argv[1], "wait") == 0) {
        return wait::WaitUntil([] {
            HWND window = FindMain();
            return window != nullptr && IsWindowVisible(window) && IsWindowEnabled(window);
        }, 30000) ? 0 : 1;
    }
    if (std::strcmp(argv[1], "exit") == 0) {
        HWND window = FindMain();
        if (window == nullptr) return 1;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
        return wait::WaitUntil([] { return FindMain() == nullptr; }, 30000) ? 0 : 1;
    }
    std::fprintf(stderr, "unknown command: %s\n", argv[1]);
    return 2;
}
