// Reads the local clock and formats it with the portable helper.
#include "journal/clock.h"

#include <windows.h>

#include "journal/text.h"

void FormatTimestamp(char* buffer) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FormatTimestampFields(buffer, kTimestampSize, now.wYear, now.wMonth, now.wDay, now.wHour,
                          now.wMinute, now.wSecond);
}
