// Prompts files and the prompts that reading them gives, shared by the
// native tests of the reader and the Win32 tests of the program's own read
// through the C runtime's text mode, so that both are held to one table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "prompts/prompt_file.h"

// Every prompt the reader hands over from the stream, and their count as it
// returns it.
inline std::vector<std::string> PromptsFrom(std::FILE* file, LineEnds lineEnds,
                                            std::size_t* returned = nullptr) {
    std::vector<std::string> prompts;
    const std::size_t count = ReadPrompts(
        file, lineEnds,
        [](const char* prompt, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(prompt);
        },
        &prompts);
    if (returned != nullptr) *returned = count;
    return prompts;
}

// The prompts that the pieces ReadPromptPiece takes from a binary stream
// give: each piece up to its first zero byte, without the line feed that
// ended it.
inline std::vector<std::string> PromptsFromPieces(std::FILE* file) {
    std::vector<std::string> prompts;
    char piece[kTextSize];
    while (ReadPromptPiece(file, piece) > 0) {
        std::string prompt(piece);
        if (!prompt.empty() && prompt.back() == '\n') prompt.pop_back();
        prompts.push_back(prompt);
    }
    return prompts;
}

// The prompts a file's bytes hold, worked out plainly: what a text-mode
// stream delivers (the file up to Ctrl+Z, CR LF as LF), cut into lines and
// the lines into pieces of 779 characters, each prompt ending at its first
// zero byte.
inline std::vector<std::string> ReferencePrompts(const std::string& bytes) {
    const std::string file = bytes.substr(0, bytes.find(kEndOfFileMark));
    std::string text;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') continue;
        text += file[i];
    }
    const std::size_t piece = kPromptReadSize;
    std::vector<std::string> prompts;
    auto add = [&](const std::string& part) { prompts.push_back(part.substr(0, part.find('\0'))); };
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const bool ended = end != std::string::npos;
        const std::string line = text.substr(start, ended ? end - start : std::string::npos);
        if (ended) {
            // Full pieces, then the rest with its line feed: a line that ends
            // exactly at a piece boundary gives an empty prompt for it.
            const std::size_t full = line.size() / piece;
            for (std::size_t k = 0; k < full; ++k) add(line.substr(k * piece, piece));
            add(line.substr(full * piece));
        } else {
            for (std::size_t at = 0; at < line.size(); at += piece) add(line.substr(at, piece));
        }
        start = ended ? end + 1 : text.size();
    }
    return prompts;
}

struct PromptFileCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> prompts;
};

inline std::vector<PromptFileCase> PromptFileCases() {
    const std::string a779(779, 'a');
    const std::string b221(221, 'b');
    return {
        {"CrLfLines", "alpha\r\nbeta\r\n", {"alpha", "beta"}},
        {"LfLines", "alpha\nbeta\n", {"alpha", "beta"}},
        {"MixedLineEnds", "alpha\nbeta\r\ngamma\n", {"alpha", "beta", "gamma"}},
        {"NotSorted", "zeta\r\nalpha\r\n", {"zeta", "alpha"}},
        {"LastLineWithoutLineFeed", "alpha\r\nlast one", {"alpha", "last one"}},
        {"BlankLines", "one\r\n\r\nthree\n\n", {"one", "", "three", ""}},
        {"OnlyALineFeed", "\n", {""}},
        {"EmptyFile", "", {}},
        {"Line1000", std::string(779, 'a') + b221 + "\r\n", {a779, b221}},
        {"Line1000NoLineFeed", a779 + b221, {a779, b221}},
        {"Line779", a779 + "\r\n" + "next\r\n", {a779, "", "next"}},
        {"Line779Lf", a779 + "\n", {a779, ""}},
        {"Line779AtEnd", a779, {a779}},
        {"Line778CrLf", std::string(778, 'c') + "\r\n" + "next", {std::string(778, 'c'), "next"}},
        {"Line780", a779 + "z\n", {a779, "z"}},
        {"Line1558", a779 + a779 + "\r\n", {a779, a779, ""}},
        {"SpacesAndTabsKept", "  lead\ttab  \r\n", {"  lead\ttab  "}},
        {"WesternBytesKept", "caf\xE9 na\xEFve \x80\x85\x9F\xA0\xFF\r\n",
         {"caf\xE9 na\xEFve \x80\x85\x9F\xA0\xFF"}},
        // A carriage return not followed by a line feed is part of its prompt.
        {"LoneCarriageReturn", "a\rb\r\nc\r", {"a\rb", "c\r"}},
        {"CarriageReturnBeforeCrLf", "a\r\r\nb\n", {"a\r", "b"}},
        // Ctrl+Z ends the file in text mode; what follows is not read.
        {"CtrlZEndsTheFile", "alpha\r\nbeta\x1Agamma\r\ndelta\r\n", {"alpha", "beta"}},
        {"CtrlZAtLineStart", "alpha\r\n\x1A" "beta\r\n", {"alpha"}},
        {"CtrlZAfterCarriageReturn", "alpha\r\x1A\nbeta\n", {"alpha\r"}},
    };
}
