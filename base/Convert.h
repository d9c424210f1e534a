#pragma once
// Small text conversions of the run-time library.

#include <cstdint>
#include <string>
#include <string_view>

// Reads a decimal integer (optional sign, blanks around it allowed; a leading
// "$" or "0x" reads hexadecimal). Anything else raises EConvertError
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

// Dequotes a string quoted with `quote`: when it starts with the quote, the text
// up to the next quote that is not doubled, doubled quotes reduced to one (no
// closing quote: the rest of the string); otherwise, or when the quoted text is
// empty, the string unchanged.
std::string AnsiDequotedStr(const std::string& s, char quote);

// ASCII-only case mapping: text is Windows-1252, bytes above 127 are left alone.
std::string AsciiUpper(std::string s);
std::string AsciiLower(std::string s);
bool SameTextAscii(std::string_view a, std::string_view b);
