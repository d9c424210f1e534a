#include "app/core/AppRules.h"

namespace {
// Lower case in Windows-1252, accented capitals included.
char LowerCp1252(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<char>(b + 0x20);
    switch (b) {
    case 0x8A: return '\x9A';
    case 0x8C: return '\x9C';
    case 0x8E: return '\x9E';
    case 0x9F: return '\xFF';
    default: return c;
    }
}
}  // namespace

std::string ExtractFileFolder(const std::string& fileName)
{
    const size_t last = fileName.find_last_of("\\:/");
    return last == std::string::npos ? std::string() : fileName.substr(0, last + 1);
}

std::string ApplicationTitleFor(const std::string& executableFileName)
{
    std::string name = executableFileName.substr(ExtractFileFolder(executableFileName).size());
    const size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    for (size_t i = 1; i < name.size(); ++i) name[i] = LowerCp1252(name[i]);
    return name;
}

std::string ExceptionBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}
