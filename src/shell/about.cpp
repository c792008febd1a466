// The About box, which opens the product's web page, and the help command.
#include <windows.h>
#include <shellapi.h>

#include "product.h"
#include "resource.h"
#include "shell/paths.h"
#include "shell/shell.h"

namespace {

void OpenWebPage(HWND dialog) {
    HINSTANCE result =
        ShellExecuteA(dialog, "open", LARKMOOR_WEB_PAGE, "", "", SW_SHOWMAXIMIZED);
    if (ShellOpenFailed(result))
        MessageBoxA(dialog, "Are you online now?", "Notice", MB_ICONERROR);
}

}  // namespace

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_PRODUCT_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(ClassIcon), 0);
        return TRUE;
    case WM_COMMAND:
        // The whole parameter is compared: only a click (notification 0) counts.
        if (wParam == IDC_VISIT_WEB_PAGE) {
            OpenWebPage(dialog);
            return TRUE;
        }
        if (wParam == IDOK) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

void OpenHelpFile(HWND owner) {
    HINSTANCE result =
        ShellExecuteA(owner, "open", kHelpFileName, "", ProgramFolder, SW_SHOWMAXIMIZED);
    if (ShellOpenFailed(result))
        MessageBoxA(owner, "Unable to open program's help file", "Error!", MB_ICONERROR);
}
