// Text between UTF-16 and the ANSI code page: see ansi_text.h.
#include "shell/ansi_text.h"

#include <cstring>

namespace {

const WCHAR* Wide(const std::u16string& text) {
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

}  // namespace

bool EncodeAnsiCharacter(char32_t character, std::string* bytes, const void*) {
    // Every ANSI code page of Windows holds ASCII as itself.
    if (character < 0x80) {
        bytes->push_back(static_cast<char>(character));
        return true;
    }
    WCHAR wide[2];
    int units = 1;
    if (character >= 0x10000) {
        wide[0] = static_cast<WCHAR>(0xD800 + ((character - 0x10000) >> 10));
        wide[1] = static_cast<WCHAR>(0xDC00 + ((character - 0x10000) & 0x3FF));
        units = 2;
    } else {
        wide[0] = static_cast<WCHAR>(character);
    }
    // No look-alike and no default character. UTF-8 as the ANSI code page
    // takes neither the flag nor the question (and holds every character).
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    char out[8];
    const int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, units,
                                           out, sizeof out, nullptr, utf8 ? nullptr : &usedDefault);
    if (length <= 0 || usedDefault) return false;
    // The bytes must read back as the very character: this also catches a
    // double-byte code page's own substitutions.
    WCHAR back[4];
    const int backUnits = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, out, length, back, 4);
    if (backUnits != units || std::memcmp(back, wide, sizeof(WCHAR) * units) != 0) return false;
    bytes->append(out, static_cast<std::size_t>(length));
    return true;
}

TypedText ConvertToAnsi(std::u16string_view text) {
    return ConvertTypedText(text, EncodeAnsiCharacter, nullptr);
}

std::u16string ReadTypedText(HWND control) {
    std::u16string typed;
    const int length = GetWindowTextLengthW(control);
    if (length > 0) {
        typed.resize(static_cast<std::size_t>(length) + 1);
        const int got = GetWindowTextW(control, reinterpret_cast<WCHAR*>(&typed[0]), length + 1);
        typed.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    }
    return typed;
}

ControlText ReadControlText(HWND control) {
    // Read straight into the result, so that a password leaves no copy of
    // itself behind to wipe.
    ControlText text{ReadTypedText(control), {}};
    text.ansi = ConvertToAnsi(text.typed);
    return text;
}

void WipeControlText(ControlText* text) {
    SecureZeroMemory(&text->typed[0], text->typed.size() * sizeof(char16_t));
    SecureZeroMemory(&text->ansi.bytes[0], text->ansi.bytes.size());
    SecureZeroMemory(&text->ansi.refused[0], text->ansi.refused.size() * sizeof(char32_t));
    text->typed.clear();
    text->ansi.bytes.clear();
    text->ansi.refused.clear();
}

void CopyAnsiText(const std::string& bytes, char* buffer, std::size_t size) {
    if (size == 0) return;
    std::size_t length = bytes.size();
    if (length > size - 1) {
        // Walk whole characters up to the limit: half a double-byte
        // character, or of a UTF-8 sequence, would be another character.
        const UINT codePage = GetACP();
        std::size_t end = 0;
        while (end < size - 1) {
            const unsigned char lead = static_cast<unsigned char>(bytes[end]);
            std::size_t step = 1;
            if (codePage == CP_UTF8)
                step = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            else if (IsDBCSLeadByte(lead))
                step = 2;
            if (end + step > size - 1) break;
            end += step;
        }
        length = end;
    }
    std::memcpy(buffer, bytes.data(), length);
    buffer[length] = '\0';
}

std::string Utf8FromAnsi(const char* text) {
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 1) return std::string();
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<WCHAR*>(&wide[0]), units);
    wide.resize(static_cast<std::size_t>(units) - 1);
    return Utf8FromUtf16(wide);
}

std::u16string Utf16FromAnsi(std::string_view bytes) {
    std::u16string wide;
    if (bytes.empty()) return wide;
    // Never more UTF-16 units than bytes (two for a four-byte UTF-8 sequence).
    wide.resize(bytes.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                          reinterpret_cast<WCHAR*>(&wide[0]),
                                          static_cast<int>(wide.size()));
    wide.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    return wide;
}

bool AnsiFolderPath(const std::u16string& path, char* buffer, std::size_t size,
                    std::u32string* refused) {
    buffer[0] = '\0';
    TypedText ansi = ConvertToAnsi(path);
    *refused = ansi.refused;
    if (!ansi.refused.empty()) {
        // The short form names the same folder with characters that every
        // code page holds (where the volume keeps short names at all).
        const DWORD units = GetShortPathNameW(Wide(path), nullptr, 0);
        if (units == 0) return false;
        std::u16string shortPath(units, u'\0');
        const DWORD got =
            GetShortPathNameW(Wide(path), reinterpret_cast<WCHAR*>(&shortPath[0]), units);
        if (got == 0 || got >= units) return false;
        shortPath.resize(got);
        ansi = ConvertToAnsi(shortPath);
        if (!ansi.refused.empty()) return false;
    }
    if (ansi.bytes.size() + 1 > size) return false;
    std::memcpy(buffer, ansi.bytes.c_str(), ansi.bytes.size() + 1);
    return true;
}
