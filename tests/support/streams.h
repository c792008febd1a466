// Files for the portable core's readers and writers: a temporary stream
// holding given bytes, and the bytes of a stream or of a file. Portable.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

// A temporary binary stream holding the bytes, positioned at its start;
// null when none can be made.
inline std::FILE* StreamOf(const std::string& bytes) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return nullptr;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return file;
}

// Everything the stream holds, from its start.
inline std::string BytesOf(std::FILE* file) {
    std::rewind(file);
    std::string bytes;
    for (int c; (c = std::getc(file)) != EOF;) bytes += static_cast<char>(c);
    return bytes;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
