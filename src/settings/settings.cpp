// Loading and saving the settings file.
#include "settings/settings.h"

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

void SaveSettings() {
    char newPath[kTextSize];
    if (!JoinPath(newPath, sizeof newPath, SettingsPath, kNewFileSuffix)) {
        ShowWriteError();
        return;
    }
    std::FILE* file = std::fopen(newPath, "wb");
    if (file == nullptr) {
        ShowWriteError();
        return;
    }
    const bool written = WriteSettingsTo(file);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed ||
        !MoveFileExA(newPath, SettingsPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(newPath);
        ShowWriteError();
    }
}
