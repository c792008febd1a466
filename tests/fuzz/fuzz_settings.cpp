// Fuzzes the settings file reader with arbitrary file contents, and checks
// that whatever record it reads is written and read back unchanged. From the
// same input it also builds a record directly, as the program can come to
// hold one (any window geometry and switches, a password that Change
// password accepts): written and read back, it must be the same record, and
// the password must still let the user in.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/password.h"
#include "settings/settings_file.h"
#include "fuzz/fuzz_check.h"

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

// Writes the record in memory to a file, reads it back into memory, and
// checks that it came back unchanged.
void CheckRoundTrip(const char* numbersUnchanged, const char* passwordUnchanged) {
    const Record before = Take();
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
    const Record after = Take();
    Check(std::memcmp(before.numbers, after.numbers, sizeof before.numbers) == 0, numbersUnchanged);
    Check(std::strcmp(before.password, after.password) == 0, passwordUnchanged);
}

// A record built from the input: seven numbers from its first 28 bytes, and
// the rest as a new password typed into Change password.
void CheckHeldRecord(const std::uint8_t* data, std::size_t size) {
    if (size < 28) return;
    int numbers[7];
    std::memcpy(numbers, data, sizeof numbers);
    char typed[kTextSize];
    ClearText(typed, sizeof typed);
    const std::size_t length = strnlen(reinterpret_cast<const char*>(data + 28),
                                       size - 28 < kTextSize - 1 ? size - 28 : kTextSize - 1);
    std::memcpy(typed, data + 28, length);
    if (CheckNewPassword(typed) != NewPasswordProblem::None) return;

    int* const fields[] = {&WindowLeft,        &WindowTop,  &WindowWidth, &WindowHeight,
                           &ShowStartupScreen, &LogEnabled, &AutoLogin};
    for (int i = 0; i < 7; ++i) *fields[i] = numbers[i];
    ClearText(StoredPassword, sizeof StoredPassword);
    ScrambleText(typed, StoredPassword);
    CheckRoundTrip("a held record's numbers read back unchanged",
                   "a held password reads back unchanged");
    Check(MatchesStoredPassword(typed, StoredPassword),
          "an accepted new password lets the user in after a restart");
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
    CheckRoundTrip("numbers read back unchanged", "password read back unchanged");

    CheckHeldRecord(data, size);
    return 0;
}
