// End-to-end test support: see driver.h.
#include "support/driver.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

#include "journal/codepage.h"
#include "journal/text.h"
#include "shell/paths.h"

namespace {


bool Wait(DWORD timeoutMs, bool (*ready)(void*), void* context) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (ready(context)) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
}

struct FindContext {
    DWORD processId;
    const char* className;
    const char* caption;  // null: any
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM parameter) {
    auto* context = reinterpret_cast<FindContext*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != context->processId) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, context->className) != 0) return TRUE;
    if (context->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (context->caption != nullptr && TextOf(window) != context->caption) return TRUE;
    context->found = window;
    return FALSE;
}

HWND FindInProcess(DWORD processId, const char* className, const char* caption, bool visibleOnly) {
    FindContext context = {processId, className, caption, visibleOnly, nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

struct ListContext {
    DWORD processId;
    std::vector<DialogWindow>* dialogs;
};

BOOL CALLBACK ListDialog(HWND window, LPARAM parameter) {
    auto* context = reinterpret_cast<ListContext*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == context->processId && std::strcmp(name, "#32770") == 0 && IsWindowVisible(window))
        context->dialogs->push_back({window, TextOf(window)});
    return TRUE;
}

}  // namespace

std::string ProgramFolderPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathRemoveFileSpecA(path);
    PathAppendA(path, "program");
    return path;
}

std::vector<DialogWindow> ProcessDialogs(DWORD processId) {
    std::vector<DialogWindow> dialogs;
    ListContext context = {processId, &dialogs};
    EnumWindows(ListDialog, reinterpret_cast<LPARAM>(&context));
    return dialogs;
}

std::string TextOf(HWND window) {
    char text[kTextSize * 2] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &result);
    return text;
}

std::string TextUtf8(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::u16string text(length + 1, u'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, 5000, &got);
    text.resize(got < text.size() ? got : 0);
    return Utf8FromUtf16(text);
}

void SetTextUtf8(HWND window, const std::string& text) {
    const std::u16string wide = Utf16FromUtf8(text);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &result);
}

std::string MessageBoxText(HWND box) {
    return TextUtf8(GetDlgItem(box, 0xFFFF));
}

void PostClick(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostCommand(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PressKeys(HWND window, const std::vector<WORD>& keys) {
    SetForegroundWindow(window);
    Sleep(100);
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

Larkmoor::~Larkmoor() {
    Kill();
}

bool Larkmoor::Start(const std::string& workingFolder) {
    WCHAR programFolder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, programFolder, MAX_PATH);
    PathRemoveFileSpecW(programFolder);
    PathAppendW(programFolder, L"program");
    const std::u16string program(reinterpret_cast<const char16_t*>(programFolder));
    const std::u16string folder = workingFolder.empty() ? program : Utf16FromUtf8(workingFolder);
    std::u16string command = u"\"" + program + u"\\larkmoor.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, reinterpret_cast<WCHAR*>(&command[0]), nullptr, nullptr, FALSE,
                          0, nullptr, reinterpret_cast<const WCHAR*>(folder.c_str()), &startup,
                          &info_) != 0;
}

HWND Larkmoor::WaitMainWindow(DWORD timeoutMs) {
    struct Context {
        DWORD processId;
        HWND found;
    } context = {info_.dwProcessId, nullptr};
    Wait(timeoutMs, [](void* parameter) {
        auto* c = static_cast<Context*>(parameter);
        c->found = FindInProcess(c->processId, "larkmoorclass", nullptr, true);
        return c->found != nullptr;
    }, &context);
    return context.found;
}

HWND Larkmoor::WaitDialog(const std::string& caption, DWORD timeoutMs) {
    struct Context {
        DWORD processId;
        const std::string* caption;
        HWND found;
    } context = {info_.dwProcessId, &caption, nullptr};
    Wait(timeoutMs, [](void* parameter) {
        auto* c = static_cast<Context*>(parameter);
        c->found = FindInProcess(c->processId, "#32770", c->caption->c_str(), true);
        return c->found != nullptr;
    }, &context);
    return context.found;
}

bool Larkmoor::WaitExit(DWORD* exitCode, DWORD timeoutMs) {
    if (info_.hProcess == nullptr) return false;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void Larkmoor::Kill() {
    if (info_.hProcess == nullptr) return;
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}
