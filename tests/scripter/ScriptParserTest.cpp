// The scan: where statements begin and end, comments and strings, SET TERM,
// the end of the script, and the word-level helpers.

#include "RepairScriptText.h"
#include "ScriptParserTestSupport.h"

#include "base/Exception.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace parsertest;

namespace {

const std::vector<std::string>& RepairScript = testenv::kRepairScriptText;

TEST(ScriptParserRepairScript, IsOneTriggerStatementWithItsLinesUnchanged)
{
    ASSERT_EQ(RepairScript.size(), 31u);
    const TLineList lines(RepairScript);
    TScriptParser parser;
    const TParsed r = Parse(parser, lines);
    ASSERT_EQ(r.Full, std::vector<std::string>{"(1,4)-(3,26) skCreate okTrigger 'TRIG_ONCONNECT'"});
    EXPECT_EQ(r.Terminator, ";");

    TLineList text;
    ExtractStatementText(lines, r.Map[0].StartPos, r.Map[0].EndPos, text);
    const std::vector<std::string> expected(RepairScript.begin() + 4, RepairScript.begin() + 27);
    EXPECT_EQ(text.Lines(), expected);
    EXPECT_FALSE(parser.BlockPending());
    EXPECT_EQ(parser.CurrentDatabase(), "");
}

struct TScanCase {
    const char* Name;
    std::vector<std::string> Lines;
    std::vector<std::string> Expected = {};  // Full() of each statement
    std::vector<std::string> Texts = {};     // checked when not empty
    std::string TerminatorAfter = ";";
    bool CloseLast = true;
    std::string Terminator = ";";
};

void PrintTo(const TScanCase& c, std::ostream* os) { *os << c.Name; }

const TScanCase ScanCases[] = {
    {"select", {"SELECT 1 FROM T;"}, {"(1,0)-(15,0) skUnknown okNone ''"}, {"SELECT 1 FROM T"}},
    {"inserts_glued_are_one",
     {"INSERT INTO T VALUES (1);INSERT INTO T VALUES (2);"},
     {"(1,0)-(49,0) skDML okNone ''"},
     {"INSERT INTO T VALUES (1);INSERT INTO T VALUES (2)"}},
    {"inserts_with_blank_are_two",
     {"INSERT INTO T VALUES (1); INSERT INTO T VALUES (2);"},
     {"(1,0)-(24,0) skDML okNone ''", "(27,0)-(50,0) skDML okNone ''"},
     {"INSERT INTO T VALUES (1)", "INSERT INTO T VALUES (2)"}},
    {"block_comment_before", {"/* x */ SELECT 1 FROM T;"}, {"(9,0)-(23,0) skUnknown okNone ''"}, {"SELECT 1 FROM T"}},
    {"line_comment_before", {"-- note; here", "SELECT 1 FROM T;"}, {"(1,1)-(15,1) skUnknown okNone ''"}},
    {"comments_do_not_nest", {"/* one /* two */ SELECT 1 FROM T;"}, {"(18,0)-(32,0) skUnknown okNone ''"}},
    {"line_comment_inside_hides_terminator",
     {"SELECT 1 -- a; b", "FROM T;"},
     {"(1,0)-(6,1) skUnknown okNone ''"},
     {"SELECT 1 -- a; b\nFROM T"}},
    {"block_comment_inside_across_lines",
     {"SELECT /* a;", "b; */ 1 FROM T;"},
     {"(1,0)-(14,1) skUnknown okNone ''"},
     {"SELECT /* a;\nb; */ 1 FROM T"}},
    {"string_across_lines", {"INSERT INTO T VALUES ('a;", "b;c');"}, {"(1,0)-(5,1) skDML okNone ''"}},
    {"doubled_quote_stays_in_string",
     {"INSERT INTO T VALUES ('it''s;');", "SELECT 2 FROM T;"},
     {"(1,0)-(31,0) skDML okNone ''", "(1,1)-(15,1) skUnknown okNone ''"}},
    {"quoted_identifier", {"SELECT \"A;B\" FROM T;"}, {"(1,0)-(19,0) skUnknown okNone ''"}},
    {"quoted_identifier_across_lines", {"SELECT \"A;", "B\" FROM T;"}, {"(1,0)-(9,1) skUnknown okNone ''"}},
    {"lone_dash_or_slash_is_malformed",
     {"- 1;", "/ 2;"},
     {"(1,0)-(3,0) skMalformed okNone ''", "(1,1)-(3,1) skMalformed okNone ''"}},
    {"unterminated_malformed_stays_malformed", {"SELECT 1 FROM T;", "/ 2"},
     {"(1,0)-(15,0) skUnknown okNone ''", "(1,1)-(3,1) skMalformed okNone ''"}},
    {"comment_end_split_over_lines_does_not_close",
     {"/* a *", "/ SELECT 1;", "*/ SELECT 2;"},
     {"(4,2)-(11,2) skUnknown okNone ''"}},
    {"comment_opener_star_does_not_close_it",
     {"/*/ SELECT 1; */ SELECT 2;"},
     {"(18,0)-(25,0) skUnknown okNone ''"}},
    {"terminator_glued_to_next_word_is_text",
     {"SELECT 'x' FROM T;X", "SELECT 2 FROM T;"},
     {"(1,0)-(15,1) skUnknown okNone ''"}},
    {"bracket_is_not_a_terminator", {"SELECT A[ 1] FROM T;"}, {"(1,0)-(19,0) skUnknown okNone ''"}},
    {"terminator_in_column_one", {"SELECT 1", "FROM T", ";"}, {"(1,0)-(6,1) skUnknown okNone ''"}},
    {"terminator_in_column_one_after_empty_lines",
     {"SELECT 1", "FROM T", "", "", ";", "SELECT 2 FROM T;"},
     {"(1,0)-(6,1) skUnknown okNone ''", "(1,5)-(15,5) skUnknown okNone ''"},
     {"SELECT 1\nFROM T", "SELECT 2 FROM T"}},
    {"no_terminator_at_all", {"SELECT 1", "FROM T"}, {"(1,0)-(6,1) skUnknown okNone ''"}, {"SELECT 1\nFROM T"}},
    {"closed_at_empty_last_line", {"SELECT 1", ""}, {"(1,0)-(0,1) skUnknown okNone ''"}, {"SELECT 1\n"}},
    {"only_blanks_comments_and_terminators",
     {"", "  \t", "-- x;", "/* y */ ;;; ,^", "/*", "SELECT 1;", "*/"},
     {}},
    {"set_other_than_term", {"SET SQL DIALECT 3;"}, {"(1,0)-(17,0) skSet okNone ''"}},
    {"set_generator_is_not_set_term",
     {"SET GENERATOR G TO 5;", "SELECT 1 FROM T;"},
     {"(1,0)-(20,0) skSetGenerator okGenerator 'G'", "(1,1)-(15,1) skUnknown okNone ''"}},
    {"set_term_procedure_body",
     {"SET TERM ^ ;", "CREATE PROCEDURE P AS", "BEGIN", "  X = 1;", "END ^", "SET TERM ; ^"},
     {"(1,1)-(4,4) skCreate okProcedure 'P'"},
     {"CREATE PROCEDURE P AS\nBEGIN\n  X = 1;\nEND "}},
    {"set_term_new_terminator_on_next_line",
     {"SET TERM ^", ";", "SELECT 1 FROM T^"},
     {"(1,2)-(15,2) skUnknown okNone ''"},
     {},
     "^"},
    {"set_term_two_characters_lower_case",
     {"set term !! ;", "select 1 from t !! select 2 from t!!"},
     {"(1,1)-(16,1) skUnknown okNone ''", "(20,1)-(34,1) skUnknown okNone ''"},
     {},
     "!!"},
    {"two_character_terminator_needs_both",
     {"SET TERM !! ;", "SELECT 1 ! 2 FROM T !!"},
     {"(1,1)-(20,1) skUnknown okNone ''"},
     {},
     "!!"},
    {"terminator_case_folds_letters_only",
     {"SET TERM !! ;", "SELECT AA FROM T !!"},
     {"(1,1)-(17,1) skUnknown okNone ''"},
     {},
     "!!"},
    {"set_term_glued_gives_empty_terminator",
     {"SET TERM^ ;", "SELECT 1,2 FROM T"},
     {"(1,1)-(6,1) skUnknown okNone ''", "(8,1)-(8,1) skUnknown okNone ''", "(10,1)-(10,1) skUnknown okNone ''",
      "(12,1)-(15,1) skUnknown okNone ''", "(17,1)-(17,1) skUnknown okNone ''"},
     {},
     ""},
    {"generator_named_term_is_taken_for_set_term",
     {"SET GENERATOR TERM TO 5;", "SELECT 1 FROM T;"},
     {"(1,1)-(16,1) skUnknown okNone ''"},
     {"SELECT 1 FROM T;"},
     "O5"},
    {"terminator_given_by_caller", {"SELECT 1; SELECT 2 FROM T^"}, {"(1,0)-(25,0) skUnknown okNone ''"}, {}, "^", true,
     "^"},
    {"unterminated_set_term_closed",
     {"SELECT 1 FROM T;", "SET TERM ^"},
     {"(1,0)-(15,0) skUnknown okNone ''", "(1,1)-(10,1) skSet okNone ''"}},
    {"unterminated_set_term_left_open",
     {"SELECT 1 FROM T;", "SET TERM ^"},
     {"(1,0)-(15,0) skUnknown okNone ''", "(1,1)-(0,0) skSet okNone ''"},
     {},
     ";",
     false},
    {"unterminated_last_statement_closed",
     {"SELECT 1 FROM T;", "COMMIT"},
     {"(1,0)-(15,0) skUnknown okNone ''", "(1,1)-(6,1) skCommit okDatabase ''"}},
    {"unterminated_last_statement_left_open",
     {"SELECT 1 FROM T;", "COMMIT"},
     {"(1,0)-(15,0) skUnknown okNone ''", "(1,1)-(0,0) skUnknown okNone ''"},
     {"SELECT 1 FROM T", "COMMIT"},
     ";",
     false},
};

class ScriptParserScan : public testing::TestWithParam<TScanCase> {};

TEST_P(ScriptParserScan, GivesTheExpectedMap)
{
    const TScanCase& c = GetParam();
    const TLineList lines(c.Lines);
    TScriptParser parser;
    const TParsed r = Parse(parser, lines, c.Terminator, c.CloseLast);
    EXPECT_EQ(r.Full, c.Expected);
    if (!c.Texts.empty()) {
        EXPECT_EQ(r.Texts, c.Texts);
    }
    EXPECT_EQ(r.Terminator, c.TerminatorAfter);
    EXPECT_FALSE(parser.BlockPending());
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptParserScan, testing::ValuesIn(ScanCases),
                         [](const testing::TestParamInfo<TScanCase>& info) { return std::string(info.param.Name); });

TEST(ScriptParserMap, ReusedMapKeepsNothingOfTheEarlierParse)
{
    TScriptParser parser;
    TScriptMap map;
    std::string term = ";";
    const TLineList first{"CONNECT 'a.fdb';", "CREATE TABLE T (A INTEGER);", "DROP TABLE T;", "DROP TABLE U;"};
    parser.ParseScript(first, term, map, true);
    ASSERT_EQ(map.size(), 4u);
    EXPECT_EQ(parser.CurrentDatabase(), "a.fdb");

    const TLineList second{"SELECT 1 FROM T; COMMIT;"};
    parser.ParseScript(second, term, map, true);
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(Full(map[0]), "(1,0)-(15,0) skUnknown okNone ''");
    EXPECT_EQ(Full(map[1]), "(18,0)-(23,0) skCommit okDatabase ''");  // current database emptied
    EXPECT_EQ(parser.ScriptLines(), &second);
}

TEST(ScriptParserMap, GrowsPastItsInitialCapacity)
{
    // 3 lines give the minimal capacity of 3; 200 statements make it grow
    // through all three step sizes.
    std::string line;
    for (int i = 0; i < 200; ++i) line += "SELECT " + std::to_string(i) + " FROM T; ";
    const TLineList lines{line, "", ""};
    TScriptParser parser;
    const TParsed r = Parse(parser, lines);
    ASSERT_EQ(r.Map.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(r.Texts[i], "SELECT " + std::to_string(i) + " FROM T");
}

// A quoted name that continues on the next line cannot be taken as a name.
TEST(ScriptParserFailure, BrokenQuotedNameRaisesAndKeepsWhatWasFound)
{
    const TLineList lines{"SELECT 1 FROM T;", "CREATE TABLE \"My", "Table\" (A INTEGER);", "SELECT 2 FROM T;"};
    for (bool closeLast : {true, false}) {
        TScriptParser parser;
        TScriptMap map(10);
        std::string term = ";";
        try {
            parser.ParseScript(lines, term, map, closeLast);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Can't find end token");
        }
        ASSERT_EQ(map.size(), 2u) << closeLast;
        EXPECT_EQ(Full(map[0]), "(1,0)-(15,0) skUnknown okNone ''");
        EXPECT_EQ(map[1].StartPos, (TTextPos{1, 1}));
        EXPECT_FALSE(parser.BlockPending());
    }
}

TEST(ScriptParserFailure, LineTooLongForAColumnIsRefusedWithItsNumberAndLength)
{
    const TLineList lines{"SELECT 1 FROM T;", "SELECT '" + std::string(70000, 'x') + "' FROM T;"};
    TScriptParser parser;
    TScriptMap map(5);
    std::string term = ";";
    try {
        parser.ParseScript(lines, term, map, true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("Line 2 "), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("70017"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(map.empty());
}

TEST(ScriptParserFailure, LineOfExactlyTheColumnLimitIsParsed)
{
    const std::string big = "SELECT '" + std::string(65535 - 17, 'x') + "' FROM T;";
    ASSERT_EQ(big.size(), 65535u);
    const TLineList lines{big, "SELECT 2 FROM T;"};
    TScriptParser parser;
    const TParsed r = Parse(parser, lines);
    ASSERT_EQ(r.Full.size(), 2u);
    EXPECT_EQ(r.Full[0], "(1,0)-(65534,0) skUnknown okNone ''");
    EXPECT_EQ(r.Texts[0], big.substr(0, 65534));
}

// ---- word-level helpers ----

struct TKeywordCase {
    const char* Keyword;
    const char* Line;
    int Col;
    bool Expected;
};

TEST(ScriptParserKeywordAt, Table)
{
    const TKeywordCase cases[] = {
        {"SET", "set term", 1, true},      {"SET", "SETTINGS", 1, false},  {"END", "END)", 1, false},
        {"TERM", "XTERM;", 2, true},       {"END", "END;", 1, true},       {"END", "eNd", 1, true},
        {"TABLE", "TABLE(", 1, false},     {"TABLE", "TABLE,X", 1, true},  {"TABLE", "TABLE^", 1, true},
        {"TABLE", "TABLE-", 1, true},      {"TABLE", "TABLE/", 1, true},   {"TABLE", "TABLE\tT", 1, true},
        {"SET", "SE", 1, false},           {"SET", "SET", 2, false},       {"X", "abc", 0, false},
        {"X", "x", 2, false},              {"", "a b", 2, true},           {"", "ab", 1, false},
        {"", ";", 1, true},                {";", "[ x", 1, false},         {"^", "~ x", 1, false},
        {"!!", "AA B", 1, false},          {"go", "GO", 1, false},         {"go", "go", 1, true},
        {"!!", "!!", 1, true},             {"!!", "!", 1, false},
    };
    for (const TKeywordCase& c : cases)
        EXPECT_EQ(TScriptParser::KeywordAt(c.Keyword, c.Line, c.Col), c.Expected)
            << "'" << c.Keyword << "' in '" << c.Line << "' at " << c.Col;
}

struct TNextTokenCase {
    std::vector<std::string> Lines;
    TTextPos From;
    TTextPos Limit;
    TTextPos Expected;
};

TEST(ScriptParserNextToken, Table)
{
    const TNextTokenCase cases[] = {
        {{"CREATE TABLE T (A INTEGER)"}, {1, 0}, {26, 0}, {8, 0}},
        {{"CREATE TABLE T (A INTEGER)"}, {14, 0}, {26, 0}, {16, 0}},
        // The last word before the limit has no next word, even if a
        // statement follows on the same line.
        {{"SELECT A FROM T; SELECT B FROM U;"}, {15, 0}, {15, 0}, {0, 0}},
        {{"SELECT A FROM T; SELECT B FROM U;"}, {15, 0}, {33, 0}, {18, 0}},
        {{"SELECT 'a b' FROM T"}, {8, 0}, {19, 0}, {14, 0}},
        {{"SELECT \"x"}, {8, 0}, {9, 0}, {0, 0}},  // unclosed quote runs to the line end
        {{"A -- x y", "/* c", "d */ B"}, {1, 0}, {6, 2}, {6, 2}},
        {{"A", "", "  B"}, {1, 0}, {3, 2}, {3, 2}},
        {{"A;B"}, {1, 0}, {3, 0}, {3, 0}},
        {{"A-B/C"}, {1, 0}, {5, 0}, {3, 0}},
        {{"A - / B"}, {1, 0}, {7, 0}, {7, 0}},
        {{"A /*/ B */ C"}, {1, 0}, {12, 0}, {12, 0}},
        {{"A /* B"}, {1, 0}, {6, 0}, {0, 0}},
        {{"A -", "-B"}, {1, 0}, {2, 1}, {2, 1}},  // "-" at a line end is no comment
        {{"A B"}, {1, 0}, {2, 0}, {0, 0}},         // limit stops before B
        {{"A", "B"}, {1, 0}, {0, 1}, {0, 0}},      // limit column 0: nothing on its line
        {{"A  "}, {9, 0}, {3, 0}, {0, 0}},         // from beyond the line end
        {{"A", "B"}, {5, 0}, {1, 1}, {1, 1}},
        // Stale or missing positions answer "none".
        {{"A B"}, {0, 0}, {3, 0}, {0, 0}},
        {{"A B"}, {1, 7}, {3, 9}, {0, 0}},
        {{"A B"}, {1, -1}, {3, 0}, {0, 0}},
        {{"A B"}, {1, 0}, {3, -1}, {0, 0}},
        {{"A B", "C"}, {1, 0}, {200, 50}, {3, 0}},  // a limit past the lines is the end
    };
    for (const TNextTokenCase& c : cases) {
        const TLineList lines(c.Lines);
        TScriptParser parser;
        parser.SetScriptLines(&lines);
        EXPECT_EQ(Pos(parser.NextToken(c.From, c.Limit)), Pos(c.Expected))
            << c.Lines[0] << " from " << Pos(c.From) << " limit " << Pos(c.Limit);
    }
}

TEST(ScriptParserTokenText, Table)
{
    const TLineList lines{"'abc' 'it''s' VARCHAR(20) C:\\data\\base.fdb A-B C/D \"My Name\" '", ""};
    TScriptParser parser;
    parser.SetScriptLines(&lines);
    const struct {
        int Col;
        const char* Expected;
    } cases[] = {{1, "abc"},  {7, "it"}, {15, "VARCHAR"}, {23, "20)"}, {27, "C:\\data\\base.fdb"},
                 {44, "A"},   {46, "B"}, {48, "C"},       {52, "My Name"}, {200, ""}};
    for (const auto& c : cases) EXPECT_EQ(parser.TokenText(TTextPos{static_cast<std::uint16_t>(c.Col), 0}), c.Expected) << c.Col;

    EXPECT_EQ(parser.TokenText(TTextPos{0, 0}), "");
    EXPECT_EQ(parser.TokenText(TTextPos{1, 1}), "");
    EXPECT_EQ(parser.TokenText(TTextPos{1, 5}), "");
    try {
        (void)parser.TokenText(TTextPos{62, 0});
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can't find end token");
    }
}

TEST(ScriptParserWithoutLines, ReadsNothing)
{
    TScriptParser parser;
    EXPECT_EQ(parser.ScriptLines(), nullptr);
    EXPECT_EQ(parser.NextToken({1, 0}, {10, 0}).Col, 0);
    EXPECT_EQ(parser.TokenText({1, 0}), "");
    EXPECT_EQ(parser.ObjectKindAt({1, 0}), TObjectKind::okNone);
    TStatementDesc desc;
    desc.StartPos = {1, 0};
    desc.EndPos = {10, 0};
    desc.ObjectName = "stale";
    EXPECT_TRUE(parser.ClassifyStatement(desc, true));
    EXPECT_EQ(Kinds(desc), "skUnknown okNone ''");
}

}  // namespace
