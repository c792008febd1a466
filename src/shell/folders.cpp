// The program's folder, its data folder and the paths of its files: see
// shell.h. Their own module, so that a program that looks the data folder up
// exactly as Larkmoor does (the benchmark's start-up floor) links this alone.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "shell/ansi_text.h"
#include "shell/message_box.h"
#include "shell/paths.h"
#include "shell/shell.h"

char ProgramFolder[kTextSize];
char DataFolder[kTextSize];
char SettingsPath[kTextSize];
char LogPath[kTextSize];
char PromptsPath[kTextSize];
char DatabasePath[kTextSize];
char DefaultPromptsPath[kTextSize];

namespace {

// A folder whose path the code page cannot hold and the volume gives no
// short name for: no file of the program could be opened there.
constexpr const char kProgramFolderUnusable[] =
    "Larkmoor cannot be started from this folder:\n\n%s\n\nIts path contains %s, which this "
    "computer's character set cannot hold, and Windows gives no short name for it. Move the "
    "Larkmoor folder to a folder whose path has only plain letters (for example C:\\Larkmoor) "
    "and start Larkmoor from there.";
constexpr const char kDataFolderUnusable[] =
    "Larkmoor cannot keep its files in your application-data folder:\n\n%s\n\nIts path "
    "contains %s, which this computer's character set cannot hold, and Windows gives no short "
    "name for it. Ask your administrator to turn on short names for this drive, or to set the "
    "language for non-Unicode programs to one that has these characters.";

// Says why the folder cannot be used, and ends the program: nothing has been
// written yet.
[[noreturn]] void RefuseFolder(const char* format, const std::u16string& folder,
                               const std::u32string& refused) {
    static char text[4 * kTextSize + 1024];
    std::snprintf(text, sizeof text, format, Utf8FromUtf16(folder).c_str(),
                  DescribeCharacters(refused).c_str());
    ShowMessage(nullptr, kLarkmoorNoticeCaption, text, MB_ICONERROR);
    ExitProcess(0);
}

// Takes a folder's path as the program's ANSI paths name it (its short form
// where the code page cannot hold the path); ends the program when it cannot.
void FormFolderPath(const WCHAR* wide, char* path, const char* unusable) {
    const std::u16string folder(reinterpret_cast<const char16_t*>(wide));
    std::u32string refused;
    if (!AnsiFolderPath(folder, path, kTextSize, &refused) && !refused.empty())
        RefuseFolder(unusable, folder, refused);
}

}  // namespace

void FormProgramFolder() {
    WCHAR folder[kTextSize] = {};
    const DWORD length = GetCurrentDirectoryW(kTextSize, folder);
    ClearText(ProgramFolder, sizeof ProgramFolder);
    if (length > 0 && length < kTextSize)
        FormFolderPath(folder, ProgramFolder, kProgramFolderUnusable);
}

void FormDataFolder() {
    WCHAR appData[MAX_PATH] = {};
    ClearText(DataFolder, sizeof DataFolder);
    SHGetSpecialFolderPathW(MainWindow, appData, CSIDL_APPDATA, FALSE);
    FormFolderPath(appData, DataFolder, kDataFolderUnusable);
    PathAppendA(DataFolder, kDataFolderName);
    CreateDirectoryA(DataFolder, nullptr);
}

void FormDataPath(char* path, const char* name) {
    FormDataFolder();
    JoinPath(path, kTextSize, DataFolder, name);
}
