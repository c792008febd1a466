// The prompts file: see prompt_file.h.
#include "prompts/prompt_file.h"

#include <algorithm>
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

// The prompt being read and the prompts handed over so far.
struct PromptReader {
    AddPromptFunction add;
    void* context;
    char prompt[kTextSize];  // zero after its first `length` characters
    std::size_t length;
    std::size_t count;
};

void HandOver(PromptReader& reader) {
    reader.add(reader.prompt, reader.context);
    ++reader.count;
    std::memset(reader.prompt, 0, reader.length);
    reader.length = 0;
}

// Splits characters as fgets reads them: a prompt ends after 779 characters
// or at a line feed, which it does not keep.
void Split(PromptReader& reader, const char* at, const char* end) {
    constexpr std::size_t kPiece = kPromptReadSize;
    while (at < end) {
        const std::size_t take =
            std::min(kPiece - reader.length, static_cast<std::size_t>(end - at));
        const char* lineFeed = static_cast<const char*>(std::memchr(at, '\n', take));
        const std::size_t copied = lineFeed != nullptr ? static_cast<std::size_t>(lineFeed - at)
                                                       : take;
        std::memcpy(reader.prompt + reader.length, at, copied);
        reader.length += copied;
        at += copied;
        if (lineFeed != nullptr) {
            ++at;
            HandOver(reader);
        } else if (reader.length == kPiece) {
            HandOver(reader);
        }
    }
}

// Drops each carriage return that directly precedes a line feed, in place;
// returns the new end.
char* DropCarriageReturns(char* at, char* end) {
    char* out = at;
    while (at < end) {
        char* carriageReturn = static_cast<char*>(std::memchr(at, '\r', end - at));
        char* stop = carriageReturn != nullptr ? carriageReturn : end;
        if (out != at) std::memmove(out, at, stop - at);
        out += stop - at;
        at = stop;
        if (carriageReturn == nullptr) break;
        if (at + 1 < end && at[1] == '\n') {
            ++at;  // the line feed is copied with the next run
        } else {
            *out++ = *at++;
        }
    }
    return out;
}

}  // namespace

std::size_t ReadPromptPiece(std::FILE* file, char* line) {
    ClearText(line, kTextSize);
    return ReadRawLine(file, line);
}

std::size_t ReadPrompts(std::FILE* file, LineEnds lineEnds, AddPromptFunction add,
                        void* context) {
    static PromptReader reader;
    reader.add = add;
    reader.context = context;
    std::memset(reader.prompt, 0, sizeof reader.prompt);
    reader.length = 0;
    reader.count = 0;
    // One byte in front of each block for a carriage return held back from
    // the end of the block before, whose line feed may start this one.
    static char storage[1 + kPromptBlockSize];
    char* const block = storage + 1;
    bool heldBack = false;
    for (bool last = false; !last;) {
        std::size_t got = std::fread(block, 1, kPromptBlockSize, file);
        last = got < kPromptBlockSize;
        if (lineEnds == LineEnds::Translated) {
            Split(reader, block, block + got);
            continue;
        }
        const void* mark = std::memchr(block, kEndOfFileMark, got);
        if (mark != nullptr) {
            got = static_cast<std::size_t>(static_cast<const char*>(mark) - block);
            last = true;
        }
        char* begin = block;
        if (heldBack) *--begin = '\r';
        char* end = block + got;
        heldBack = !last && end > begin && end[-1] == '\r';
        if (heldBack) --end;
        Split(reader, begin, DropCarriageReturns(begin, end));
    }
    if (reader.length > 0) HandOver(reader);
    return reader.count;
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
