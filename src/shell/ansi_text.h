// Text between Windows' UTF-16 and the program's ANSI code page. Controls
// hold what the user typed in UTF-16; the program keeps text as bytes of the
// computer's ANSI code page. Every text taken from a control goes through
// ReadControlText, which converts it exactly (no look-alike, no question
// mark) or names the characters the code page cannot hold.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "journal/codepage.h"

// The EncodeFunction of the system's ANSI code page (GetACP()): the bytes of
// exactly this character, double-byte code pages included. A character the
// code page has no exact form of (one Windows would map to a look-alike or
// to its default character) is refused. context is not used.
bool EncodeAnsiCharacter(char32_t character, std::string* bytes, const void* context);

// UTF-16 text in the system's ANSI code page.
TypedText ConvertToAnsi(std::u16string_view text);

// The text of a control in UTF-16, exactly as the user sees it.
std::u16string ReadTypedText(HWND control);

// The text of a control, read in UTF-16, as typed and in the code page.
struct ControlText {
    std::u16string typed;
    TypedText ansi;  // whole only when ansi.refused is empty
};
ControlText ReadControlText(HWND control);

// Overwrites the texts read (a password) before they are let go.
void WipeControlText(ControlText* text);

// Copies converted text into a fixed buffer of size bytes, cut to size - 1
// bytes where it is longer, never in the middle of a character.
void CopyAnsiText(const std::string& bytes, char* buffer, std::size_t size);

// ANSI text (a path, a text read from a file) as UTF-8, for a message.
std::string Utf8FromAnsi(const char* text);

// Bytes of the ANSI code page as UTF-16: every byte, zero bytes included.
std::u16string Utf16FromAnsi(std::string_view bytes);

// A folder's path as the program's ANSI paths can name it: the path itself
// when the code page holds all of it, otherwise its short (8.3) form, which
// names the same folder. Returns false, leaving an empty text, when neither
// can be held (the volume gives no short names) or it does not fit size
// bytes; *refused then names the characters at fault.
bool AnsiFolderPath(const std::u16string& path, char* buffer, std::size_t size,
                    std::u32string* refused);
