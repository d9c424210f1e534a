#include "base/Convert.h"

#include "base/CodePage.h"
#include "base/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(Convert, StrToInt)
{
    const struct { const char* text; int value; } good[] = {
        {"3", 3}, {" 1 ", 1}, {"-12", -12}, {"+7", 7}, {"$1F", 31}, {"0x10", 16},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
    };
    for (const auto& c : good) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;

    for (const char* bad : {"x", "", "1.5", "3x", "2147483648", "--1", "0x"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(Convert, AnsiDequotedStr)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"'abc'", "abc"},
        {"'it''s'", "it's"},
        {"'a'b", "a"},              // text after the closing quote is dropped
        {"'open", "open"},          // no closing quote: the rest
        {"plain\r\n", "plain\r\n"}, // not quoted: unchanged
        {"''\r\n", "''\r\n"},       // empty quoted text: unchanged
        {"", ""},
        {"'line1\r\nline2'\r\n", "line1\r\nline2"},
    };
    for (const auto& c : cases) EXPECT_EQ(AnsiDequotedStr(c.in, '\''), c.out) << c.in;
}

TEST(Convert, AsciiCaseLeavesHighBytesAlone)
{
    EXPECT_EQ(AsciiUpper("j\xE1 foi"), "J\xE1 FOI");
    EXPECT_EQ(AsciiLower("RESTAUROL.EXE"), "restaurol.exe");
    EXPECT_TRUE(SameTextAscii("Quorvel", "QUORVEL"));
    EXPECT_FALSE(SameTextAscii("\xE1", "\xC1"));
}

TEST(CodePage, RoundTripsEveryAssignedByte)
{
    EXPECT_EQ(Cp1252ToUtf8("j\xE1"), "j\xC3\xA1");
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, char(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // no Windows-1252 form
}

}  // namespace
