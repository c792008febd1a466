// The About box, which opens the product's web page, and the help command.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "product.h"
#include "resource.h"
#include "shell/message_box.h"
#include "shell/paths.h"
#include "shell/shell.h"

namespace {

constexpr const char kWebPageNotOpened[] = "Are you online now?";
constexpr const char kHelpFileNotOpened[] = "Unable to open program's help file";
constexpr const char kHelpErrorCaption[] = "Error!";

void OpenWebPage(HWND dialog) {
    HINSTANCE result =
        ShellExecuteA(dialog, "open", LARKMOOR_WEB_PAGE, "", "", SW_SHOWMAXIMIZED);
    if (ShellOpenFailed(result))
        ShowMessage(dialog, kNoticeCaption, kWebPageNotOpened, MB_ICONERROR);
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

// The help file is named by its full path in the program folder. A bare name
// would also do on Windows, whose shell looks for it in the working folder
// only; but a shell that also searches the program's own folder (Wine's does)
// would then open the help file beside the exe even when the program was
// started from another folder, where it must report the file as missing.
void OpenHelpFile(HWND owner) {
    const std::size_t length = std::strlen(ProgramFolder);
    const bool endsInSeparator =
        length > 0 && (ProgramFolder[length - 1] == '\\' || ProgramFolder[length - 1] == '/');
    char folder[kTextSize];
    char helpPath[kTextSize];
    HINSTANCE result = nullptr;  // a path too long to form fails like a missing file
    if (JoinPath(folder, sizeof folder, ProgramFolder, endsInSeparator ? "" : "\\") &&
        JoinPath(helpPath, sizeof helpPath, folder, kHelpFileName))
        result = ShellExecuteA(owner, "open", helpPath, "", ProgramFolder, SW_SHOWMAXIMIZED);
    if (ShellOpenFailed(result))
        ShowMessage(owner, kHelpErrorCaption, kHelpFileNotOpened, MB_ICONERROR);
}
