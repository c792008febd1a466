// The prompts file: see prompt_file.h.
#include "prompts/prompt_file.h"

#include <cstring>

namespace {

// One character of a binary stream as a text-mode stream would deliver it:
// CR LF as LF, EOF at Ctrl+Z. The Ctrl+Z is pushed back, so that every later
// read meets the end of the file too.
int GetTextCharacter(std::FILE* file) {
    const int c = std::getc(file);
    if (c == static_cast<unsigned char>(kEndOfFileMark)) {
        std::ungetc(c, file);
        return EOF;
    }
    if (c == '\r') {
        const int next = std::getc(file);
        if (next == '\n') return '\n';
        if (next != EOF) std::ungetc(next, file);
    }
    return c;
}

// fgets(line, kTextSize, file) over GetTextCharacter. Returns the number of
// bytes read.
std::size_t ReadRawLine(std::FILE* file, char* line) {
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(kPromptReadSize)) {
        const int c = GetTextCharacter(file);
        if (c == EOF) break;
        line[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    return length;
}

}  // namespace

std::size_t ReadPromptPiece(std::FILE* file, char* line) {
    ClearText(line, kTextSize);
    return ReadRawLine(file, line);
}

bool ReadPromptLine(std::FILE* file, char* line, LineEnds lineEnds) {
    ClearText(line, kTextSize);
    const bool read = lineEnds == LineEnds::Raw
                          ? ReadRawLine(file, line) > 0
                          : std::fgets(line, kPromptReadSize + 1, file) != nullptr;
    if (!read) return false;
    // The text read, without its trailing line feed; a piece of a longer line
    // and a last line without a line feed are kept whole.
    const std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';
    return true;
}

std::size_t ReadPrompts(std::FILE* file, LineEnds lineEnds, AddPromptFunction add,
                        void* context) {
    char line[kTextSize];
    std::size_t count = 0;
    while (ReadPromptLine(file, line, lineEnds)) {
        add(line, context);
        ++count;
    }
    return count;
}

std::size_t CountPrompts(const char* bytes, std::size_t size) {
    std::size_t count = 0;
    std::size_t lineLength = 0;  // characters of the current line so far
    for (std::size_t i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == kEndOfFileMark) break;
        const bool lineFeed = c == '\n' || (c == '\r' && i + 1 < size && bytes[i + 1] == '\n');
        if (lineFeed) {
            // A line of L characters and its line feed take L / 779 full reads
            // and one more read that ends with the line feed.
            count += lineLength / kPromptReadSize + 1;
            lineLength = 0;
            if (c == '\r') ++i;
        } else {
            ++lineLength;
        }
    }
    // A last line without a line feed: one prompt per started piece.
    count += (lineLength + kPromptReadSize - 1) / kPromptReadSize;
    return count;
}

std::string ToEditText(const char* bytes, std::size_t size) {
    std::string text;
    text.reserve(size + size / 16);
    for (std::size_t i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == '\n' && (i == 0 || bytes[i - 1] != '\r')) text += '\r';
        text += c == '\0' ? ' ' : c;
    }
    return text;
}
