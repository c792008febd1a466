// Path forming: see paths.h.
#include "shell/paths.h"

#include <cstring>

bool JoinPath(char* destination, std::size_t size, const char* folder, const char* name) {
    if (size == 0) return false;
    const std::size_t folderLength = std::strlen(folder);
    const std::size_t nameLength = std::strlen(name);
    if (folderLength + nameLength + 1 > size) {
        destination[0] = '\0';
        return false;
    }
    std::memmove(destination, folder, folderLength);
    std::memcpy(destination + folderLength, name, nameLength + 1);
    return true;
}
