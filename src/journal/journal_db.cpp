// Placeholder until the journal database is built.
#include "journal/journal.h"

void CreateJournalDatabase() {}
bool CompactJournalDatabase() { return false; }
