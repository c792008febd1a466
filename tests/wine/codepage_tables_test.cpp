// The code page tables of the portable core against the system's own
// conversions, for every byte and every character of the Basic Multilingual
// Plane: what the companion tool and the native tests take for a code page
// is what Windows does with it, best fit excluded.
#include <windows.h>

#include <gtest/gtest.h>

#include "journal/codepage.h"

TEST(CodePageTables, AgreeWithTheSystemWithoutBestFit) {
    for (const CodePage& page : kCodePages) {
        const UINT number = static_cast<UINT>(page.number);
        for (int byte = 0; byte < 256; ++byte) {
            const char in = static_cast<char>(byte);
            WCHAR out = 0;
            ASSERT_EQ(MultiByteToWideChar(number, 0, &in, 1, &out, 1), 1);
            EXPECT_EQ(out, DecodeByte(page, static_cast<unsigned char>(byte)))
                << page.number << " byte " << byte;
        }
        for (char32_t character = 1; character < 0x10000; ++character) {
            if (character >= 0xD800 && character <= 0xDFFF) continue;
            const WCHAR in = static_cast<WCHAR>(character);
            char out[4] = {};
            BOOL usedDefault = FALSE;
            const int length = WideCharToMultiByte(number, WC_NO_BEST_FIT_CHARS, &in, 1, out,
                                                   sizeof out, nullptr, &usedDefault);
            WCHAR back = 0;
            const bool systemExact = length == 1 && !usedDefault &&
                                     MultiByteToWideChar(number, 0, out, 1, &back, 1) == 1 &&
                                     back == in;
            unsigned char byte = 0;
            const bool tableExact = EncodeCharacter(page, character, &byte);
            ASSERT_EQ(tableExact, systemExact) << page.number << " U+" << std::hex << character;
            if (tableExact) {
                EXPECT_EQ(static_cast<unsigned char>(out[0]), byte);
            }
        }
    }
}
