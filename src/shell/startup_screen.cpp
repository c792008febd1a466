// The startup screen: the icon and the version for 1.5 seconds while the
// program starts. It closes only by its timer or a close request.
#include "resource.h"
#include "shell/shell.h"

namespace {

constexpr UINT_PTR kStartupTimerId = 2;
constexpr UINT kStartupMilliseconds = 1500;
UINT_PTR StartupTimer;

}  // namespace

INT_PTR CALLBACK StartupScreenDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_PRODUCT_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(ClassIcon), 0);
        StartupTimer = SetTimer(dialog, kStartupTimerId, kStartupMilliseconds, nullptr);
        return TRUE;
    case WM_COMMAND:
        return FALSE;
    case WM_TIMER:
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    case WM_CLOSE:
        KillTimer(dialog, StartupTimer);
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
