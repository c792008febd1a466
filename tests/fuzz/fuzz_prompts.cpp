// Fuzzes the prompts file reader with arbitrary file contents. The prompts it
// reads must be exactly those of a plain reference reading (text-mode line
// ends, Ctrl+Z ending the file, lines in pieces of 779 characters), each
// terminated within its buffer; the prompt count that the editing dialog
// shows must agree; and a file passed through the editing dialog's text
// (carriage returns added, zero bytes made spaces) unchanged must give the
// same prompts back when it held no zero byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "prompts/prompt_file.h"
#include "fuzz/fuzz_check.h"
#include "support/prompt_file_cases.h"

namespace {

struct Read {
    std::vector<std::string> prompts;
};

void Collect(const char* prompt, void* context) {
    const std::size_t length = strnlen(prompt, kTextSize);
    Check(length < kTextSize, "a prompt is terminated within its buffer");
    Check(length <= static_cast<std::size_t>(kPromptReadSize), "a prompt is 779 bytes at most");
    Check(std::memchr(prompt, '\n', length) == nullptr, "no line feed in a prompt");
    static_cast<Read*>(context)->prompts.emplace_back(prompt, length);
}

std::vector<std::string> ReadAll(const std::string& bytes) {
    Read read;
    if (bytes.empty()) return read.prompts;
    std::FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    Check(file != nullptr, "the input opens as a file");
    const std::size_t count = ReadPrompts(file, LineEnds::Raw, Collect, &read);
    std::fclose(file);
    Check(count == read.prompts.size(), "the count returned is the prompts handed over");
    return read.prompts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> prompts = ReadAll(bytes);
    Check(prompts == ReferencePrompts(bytes), "the prompts are those of the reference reading");
    if (!bytes.empty()) {
        std::FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
        Check(file != nullptr, "the input opens as a file");
        Check(PromptsFromPieces(file) == prompts, "the one-piece reader takes the same pieces");
        std::fclose(file);
    }
    Check(CountPrompts(bytes.data(), bytes.size()) == prompts.size(),
          "the editing dialog counts the prompts that are read");

    const std::string edited = ToEditText(bytes.data(), bytes.size());
    Check(edited.find('\0') == std::string::npos, "the edit text holds no zero byte");
    for (std::size_t i = 0; i < edited.size(); ++i)
        if (edited[i] == '\n') Check(i > 0 && edited[i - 1] == '\r', "every line feed has its CR");
    Check(CountPrompts(edited.data(), edited.size()) == prompts.size(),
          "the edit text holds as many prompts");
    if (bytes.find('\0') == std::string::npos)
        Check(ReadAll(edited) == prompts, "saving the edit text unchanged keeps the prompts");
    return 0;
}
