// Cutting statement texts out of the lines, and counting a file's lines.

#include "scripter/StatementText.h"

#include "base/Exception.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct TExtractCase {
    const char* Name;
    std::vector<std::string> Lines;
    TTextPos Start;
    TTextPos End;
    std::vector<std::string> Expected;
};

void PrintTo(const TExtractCase& c, std::ostream* os) { *os << c.Name; }

const TExtractCase ExtractCases[] = {
    {"one_line", {"SELECT 1 FROM T;"}, {1, 0}, {15, 0}, {"SELECT 1 FROM T"}},
    {"cut_on_both_sides", {"X; SELECT 1; Y"}, {4, 0}, {11, 0}, {"SELECT 1"}},
    {"single_character", {"A;"}, {1, 0}, {1, 0}, {"A"}},
    {"lines_between_taken_whole",
     {"  SELECT 1", "  FROM T -- c", "", "WHERE A = 1; X"},
     {3, 0},
     {11, 3},
     {"SELECT 1", "  FROM T -- c", "", "WHERE A = 1"}},
    {"whole_lines_unchanged", {"SELECT 1", "FROM T"}, {1, 0}, {6, 1}, {"SELECT 1", "FROM T"}},
    {"end_col_zero_means_end_of_script", {"X;", "SELECT 1", "FROM T"}, {1, 1}, {0, 1}, {"SELECT 1", "FROM T"}},
    {"end_of_script_with_empty_last_line", {"SELECT 1", ""}, {1, 0}, {0, 0}, {"SELECT 1", ""}},
    // Stale positions are clamped to the lines or give nothing.
    {"end_beyond_line", {"SELECT 1"}, {1, 0}, {200, 0}, {"SELECT 1"}},
    {"end_line_beyond_lines", {"SELECT 1", "FROM T"}, {1, 0}, {3, 9}, {"SELECT 1", "FROM T"}},
    {"start_beyond_its_line", {"AB", "CD"}, {9, 0}, {1, 1}, {"", "C"}},
    {"start_line_beyond_lines", {"AB"}, {1, 4}, {2, 4}, {}},
    {"start_col_zero", {"AB"}, {0, 0}, {2, 0}, {}},
    {"end_before_start", {"ABCD"}, {3, 0}, {2, 0}, {}},
    {"end_line_before_start", {"AB", "CD"}, {1, 1}, {2, 0}, {}},
    {"no_lines", {}, {1, 0}, {0, 0}, {}},
};

class StatementTextExtract : public testing::TestWithParam<TExtractCase> {};

TEST_P(StatementTextExtract, CutsTheText)
{
    const TExtractCase& c = GetParam();
    const TLineList lines(c.Lines);
    TLineList out{"left over"};
    ExtractStatementText(lines, c.Start, c.End, out);
    EXPECT_EQ(out.Lines(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatementTextExtract, testing::ValuesIn(ExtractCases),
                         [](const testing::TestParamInfo<TExtractCase>& info) { return std::string(info.param.Name); });

TEST(StatementTextCountFileLines, CountsReadsOfTheFile)
{
    const std::string dir = testenv::NewDataDir("count-lines");
    const struct {
        const char* Content;
        int Expected;
    } cases[] = {
        {"", 1}, {"a", 1}, {"a\n", 1}, {"a\nb\n", 2}, {"a\r\nb", 2}, {"a\n\n", 2}, {"\n\n\n", 3}, {"a\rb\rc", 3},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string file = dir + "/f" + std::to_string(n++) + ".sql";
        std::ofstream(file, std::ios::binary) << c.Content;
        EXPECT_EQ(CountFileLines(file), c.Expected) << '"' << c.Content << '"';
    }
}

TEST(StatementTextCountFileLines, MissingFileRaisesFileNotFound)
{
    const std::string dir = testenv::NewDataDir("count-lines-missing");
    try {
        (void)CountFileLines(dir + "/nothing.sql");
        FAIL() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "File not found");
    }
    EXPECT_THROW((void)CountFileLines(dir), EInOutError);  // a folder is no text file
}

TEST(StatementModelNames, NameEveryCodeAndNothingBeyond)
{
    EXPECT_STREQ(StatementKindName(TStatementKind::skUnknown), "skUnknown");
    EXPECT_STREQ(StatementKindName(TStatementKind::skCreateDatabase), "skCreateDatabase");
    EXPECT_STREQ(StatementKindName(TStatementKind::skExecute), "skExecute");
    EXPECT_STREQ(StatementKindName(static_cast<TStatementKind>(26)), "?");
    EXPECT_STREQ(ObjectKindName(TObjectKind::okNone), "okNone");
    EXPECT_STREQ(ObjectKindName(TObjectKind::okBlock), "okBlock");
    EXPECT_STREQ(ObjectKindName(TObjectKind::okUser), "okUser");
    EXPECT_STREQ(ObjectKindName(static_cast<TObjectKind>(18)), "?");
}

}  // namespace
