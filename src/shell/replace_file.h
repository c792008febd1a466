#pragma once
#include <cstdio>
// Writes path anew: the contents go to path + ".new" through write, which
// returns false when a write failed; the new file is flushed to the disk and
// then moved over the old one in one step. A read-only file is left as it is.
// Returns false, with the old file unchanged and no ".new" file left, on any failure.
using FileWriter = bool (*)(std::FILE* file, void* context);
bool ReplaceFileContents(const char* path, FileWriter write, void* context);
