#pragma once
// Conversion between the system's single-byte Windows-1252 text and UTF-8,
// used only where text leaves the system (the window toolkit, the terminal).

#include <string>
#include <string_view>

std::string Cp1252ToUtf8(std::string_view text);
// Characters without a Windows-1252 form become "?"; malformed UTF-8 bytes are
// taken as Windows-1252 bytes.
std::string Utf8ToCp1252(std::string_view text);
