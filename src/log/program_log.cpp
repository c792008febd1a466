// Placeholder until the program log is built: events are not written yet.
#include "log/program_log.h"

void LogSessionStart() {}
void LogSessionEnd() {}
void LogLoggingEnabled() {}
void LogLoggingDisabled() {}
void LogIncorrectPassword() {}
