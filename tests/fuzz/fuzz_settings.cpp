// Fuzzes the settings file reader with arbitrary file contents, and checks
// that whatever record it reads is written and read back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/settings_file.h"

namespace {

struct Record {
    int numbers[7];
    char password[kTextSize];
};

Record Take() {
    Record record;
    const int numbers[7] = {WindowLeft,        WindowTop,  WindowWidth, WindowHeight,
                            ShowStartupScreen, LogEnabled, AutoLogin};
    std::memcpy(record.numbers, numbers, sizeof numbers);
    std::memcpy(record.password, StoredPassword, sizeof record.password);
    return record;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ApplyDefaultSettings();
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (size == 0 || file == nullptr) {
        if (file != nullptr) std::fclose(file);
        return 0;
    }
    ReadSettingsFrom(file);
    std::fclose(file);
    Check(StoredPassword[kTextSize - 1] == '\0', "password terminated within its buffer");
    const Record first = Take();

    char* written = nullptr;
    std::size_t writtenSize = 0;
    std::FILE* out = open_memstream(&written, &writtenSize);
    Check(WriteSettingsTo(out), "record written");
    std::fclose(out);

    ApplyDefaultSettings();
    std::FILE* in = fmemopen(written, writtenSize, "rb");
    ReadSettingsFrom(in);
    std::fclose(in);
    std::free(written);
    const Record second = Take();
    Check(std::memcmp(first.numbers, second.numbers, sizeof first.numbers) == 0,
          "numbers read back unchanged");
    Check(std::strcmp(first.password, second.password) == 0, "password read back unchanged");
    return 0;
}
