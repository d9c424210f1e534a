#include "app/core/IniFile.h"

#include "base/Convert.h"

#include <fstream>
#include <string_view>

namespace {
// Blanks as the profile reader sees them; 0x1A is the old end-of-file mark.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view s)
{
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}
}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const
{
    std::ifstream in(FFileName, std::ios::binary);
    if (!in) return defaultValue;

    bool inSection = false;
    bool sectionSeen = false;
    std::string raw;
    while (std::getline(in, raw)) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            // Only the first section of that name counts.
            if (sectionSeen) break;
            const size_t close = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            inSection = SameTextAscii(name, section);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection) continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;  // a bare word carries no value
        if (!SameTextAscii(Trim(line.substr(0, eq)), key)) continue;
        std::string_view value = Unquote(Trim(line.substr(eq + 1)));
        if (value.size() > kMaxValueLength) value = value.substr(0, kMaxValueLength);
        return std::string(value);
    }
    return defaultValue;
}
