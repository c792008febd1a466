// Loading and saving the settings file.
#include "settings/settings.h"

#include <cstdio>

#include "shell/message_box.h"
#include "shell/replace_file.h"
#include "shell/shell.h"

namespace {

constexpr const char kSettingsWriteError[] = "Preferences file write error!";

bool WriteSettings(std::FILE* file, void*) {
    return WriteSettingsTo(file);
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
    // Written beside the old file and then put in its place, so that a power
    // cut cannot leave an empty settings file behind.
    if (ReplaceFileContents(SettingsPath, WriteSettings, nullptr)) return true;
    ShowFileError(kSettingsWriteError);
    return false;
}
