// The prompts file: plain 8-bit text, one prompt per line, read in text mode
// in pieces of at most 779 characters. Portable: no Windows headers.
//
// Line ends: a line feed ends a line, and a carriage return directly followed
// by a line feed reads as one line feed. A carriage return anywhere else is an
// ordinary character of its prompt. A Ctrl+Z byte (0x1A) ends the file, and
// anything after it is ignored. This is what the Windows C runtime does to a
// file opened in text mode ("rt"); the program reads its file that way, and
// the same rules are built in here for streams opened in binary mode.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "journal/text.h"

// Longest piece of a line that one read takes: a longer line gives several
// prompts, and a line of exactly this length is followed by an empty prompt.
constexpr int kPromptReadSize = static_cast<int>(kTextSize) - 1;  // 779

constexpr char kEndOfFileMark = 0x1A;  // Ctrl+Z

// How line ends reach the reader.
enum class LineEnds {
    Translated,  // a text-mode stream: the C runtime has turned CR LF into LF
                 // and stops at Ctrl+Z
    Raw,         // a binary stream: the reader does both itself
};

// Size of the blocks in which ReadPrompts reads its stream.
constexpr std::size_t kPromptBlockSize = 65536;

// One piece of a binary stream (LineEnds::Raw) read one character at a time,
// as ReadPrompts takes them, telling what it took: the number of bytes read
// (0 at the end of the file), the line feed that ended the piece included,
// in a kTextSize buffer it first fills with zero bytes. A piece of 779 bytes
// without a line feed is part of a longer line; a zero byte inside a piece
// ends the prompt the program shows there.
std::size_t ReadPromptPiece(std::FILE* file, char* line);

// Reads every prompt of the file in order and hands each one to add: the
// prompts that reading the file line by line with fgets (at most 779
// characters a read, stopping after a line feed, which is not kept) into a
// zero-filled kTextSize buffer gives. Each prompt is handed over in such a
// buffer, zero after its text. The file is read in blocks of
// kPromptBlockSize bytes, each split here, since a read a character or a line
// at a time costs several times as much for a long file. A read error ends
// the reading like the end of the file. Returns the number of prompts read.
using AddPromptFunction = void (*)(const char* prompt, void* context);
std::size_t ReadPrompts(std::FILE* file, LineEnds lineEnds, AddPromptFunction add,
                        void* context);

// Number of prompts that reading the given file contents would give.
std::size_t CountPrompts(const char* bytes, std::size_t size);

// The file contents as text for a multi-line edit field: every line feed not
// already preceded by a carriage return gets one, and zero bytes, which would
// end the field's text, become spaces.
std::string ToEditText(const char* bytes, std::size_t size);
