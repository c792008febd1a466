// Loading and saving the settings file.
#include "settings/settings.h"

#include <cerrno>
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
    const int openError = file == nullptr ? errno : 0;
    const SettingsLoad load = LoadSettingsFrom(file, openError);
    if (file != nullptr) std::fclose(file);
    // Only a first start writes the file at once; a damaged or unreadable one
    // stays as it is until the settings are next saved.
    if (load.source == SettingsSource::FirstStart) SaveSettings();
}

bool SaveSettings() {
    // Written beside the old file and then put in its place, so that a power
    // cut cannot leave an empty settings file behind.
    if (ReplaceFileContents(SettingsPath, WriteSettings, nullptr)) return true;
    ShowFileError(kSettingsWriteError);
    return false;
}
