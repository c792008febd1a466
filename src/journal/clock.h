// The timestamp of the current local time (Win32 clock read).
#pragma once

// Writes the current local date and time as "YYYY-MM-DD hh:mm:ss" into
// buffer, which holds kTimestampSize (80) bytes.
void FormatTimestamp(char* buffer);
