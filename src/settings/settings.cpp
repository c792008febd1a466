// Loading and saving the settings file.
#include "settings/settings.h"

#include <io.h>

#include <cstdio>

#include "shell/paths.h"
#include "shell/shell.h"

namespace {

constexpr const char kNewFileSuffix[] = ".new";

void ShowWriteError() {
    MessageBoxA(MainWindow, "Preferences file write error!", "An unexpected error has occurred!",
                MB_SYSTEMMODAL | MB_ICONERROR);
}

}  // namespace

void LoadSettings() {
    std::FILE* file = std::fopen(SettingsPath, "rb");
    if (file == nullptr) {
        ApplyDefaultSettings();
        SaveSettings();
        return;
    }
    ReadSettingsFrom(file);
    std::fclose(file);
}

bool SaveSettings() {
    // A read-only settings file is left as it is, as it would be if it were
    // written in place (a replacing move would not always refuse it).
    const DWORD attributes = GetFileAttributesA(SettingsPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ShowWriteError();
        return false;
    }
    char newPath[kTextSize];
    if (!JoinPath(newPath, sizeof newPath, SettingsPath, kNewFileSuffix)) {
        ShowWriteError();
        return false;
    }
    std::FILE* file = std::fopen(newPath, "wb");
    if (file == nullptr) {
        ShowWriteError();
        return false;
    }
    // The new file reaches the disk before it takes the old one's place, so
    // that a power cut cannot leave an empty settings file behind.
    const bool written =
        WriteSettingsTo(file) && std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed ||
        !MoveFileExA(newPath, SettingsPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(newPath);
        ShowWriteError();
        return false;
    }
    return true;
}
