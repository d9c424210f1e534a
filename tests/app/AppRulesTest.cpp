// The application's title rule and the exception box's "." rule.

#include "app/core/AppRules.h"

#include <gtest/gtest.h>

namespace {

struct TTextCase {
    std::string Input;
    std::string Expected;
};

TEST(AppRules, TitleFromExecutableName)
{
    const TTextCase cases[] = {
        {"/usr/local/bin/restaurol", "restaurol"},
        {"C:\\Quorvel\\RESTAUROL.EXE", "Restaurol"},
        {"C:RESTAUROL.exe", "Restaurol"},
        {"D:\\a/b\\ProgName.exe", "Progname"},
        {"/opt/my.app.bin", "my"},  // cut at the first "."
        {"/opt/v1.2/Tool", "Tool"},  // a dot in the folder does not count
        {"/opt/.hidden", ""},
        {"Restaurol", "Restaurol"},
        {"/x/\xC9TUDE\xC7\xC3O.exe", "\xC9tude\xE7\xE3o"},  // accented capitals lowered, first kept
        {"/x/x", "x"},
        {"", ""},
    };
    for (const TTextCase& c : cases) EXPECT_EQ(ApplicationTitleFor(c.Input), c.Expected) << c.Input;
}

TEST(AppRules, ExceptionBoxAppendsDotAfterCharactersSortingAfterIt)
{
    const TTextCase cases[] = {
        {"", ""},
        {"Database name is missing.", "Database name is missing."},
        {"Boom", "Boom."},
        {"Falhou!", "Falhou!"},
        {"value (x)", "value (x)"},
        {"trailing blank ", "trailing blank "},
        {"FrmRestaurol.SC:\r\nTable unknown.\r\n", "FrmRestaurol.SC:\r\nTable unknown.\r\n"},
        {"dash-", "dash-"},        // 0x2D sorts before "."
        {"slash/", "slash/."},     // 0x2F sorts after it
        {"code 42", "code 42."},
        {"colon:", "colon:."},
        {"j\xE1", "j\xE1."},       // bytes above 0x7F count as large, not negative
        {"quote\xBB", "quote\xBB."},
    };
    for (const TTextCase& c : cases) EXPECT_EQ(ExceptionBoxText(c.Input), c.Expected) << c.Input;
}

TEST(AppRules, FolderOfFileName)
{
    const TTextCase cases[] = {
        {"/usr/bin/restaurol", "/usr/bin/"},
        {"C:\\Quorvel\\restaurol.exe", "C:\\Quorvel\\"},
        {"C:restaurol.exe", "C:"},
        {"restaurol", ""},
    };
    for (const TTextCase& c : cases) EXPECT_EQ(ExtractFileFolder(c.Input), c.Expected) << c.Input;
}

}  // namespace
