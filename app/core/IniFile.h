#pragma once
// TIniFile: reads values from an INI file the way the Windows profile-string
// call does, so that a "quorvel.ini" written for the Windows tool reads the
// same here. The file is only read, never written, and need not exist.

#include <string>

class TIniFile {
public:
    // Longest value handed back; the Windows call fills a 2048-byte buffer.
    static constexpr std::size_t kMaxValueLength = 2047;

    explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

    // The value of `key` in `section` (both matched without regard to ASCII
    // case; the first matching section and key win). A key that is present
    // yields its value even when empty; a missing file, section or key yields
    // `defaultValue`. Blanks around the value and quotes (" or ') enclosing the
    // whole value are removed; the result is cut to kMaxValueLength. Never
    // fails: an unreadable file counts as missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;

    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};
