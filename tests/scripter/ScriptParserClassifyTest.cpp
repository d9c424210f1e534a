// Statement classification: kinds, object kinds and names from the leading
// words, the current database, and bodies written under ";".

#include "ScriptParserTestSupport.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace parsertest;

namespace {

struct TClassifyCase {
    const char* Name;
    std::vector<std::string> Lines;
    std::vector<std::string> Expected;  // Kinds() of each statement
};

void PrintTo(const TClassifyCase& c, std::ostream* os) { *os << c.Name; }

const TClassifyCase ClassifyCases[] = {
    {"create_table", {"CREATE TABLE T (A INTEGER);"}, {"skCreate okTable 'T'"}},
    {"create_lower_case", {"create table t (a integer);"}, {"skCreate okTable 't'"}},
    {"create_quoted_name", {"CREATE TABLE \"My Table\" (A INTEGER);"}, {"skCreate okTable 'My Table'"}},
    {"create_or_alter_trigger_searches_past_or_alter",
     {"SET TERM ^ ;", "CREATE OR ALTER TRIGGER TRIG_ONCONNECT", "ACTIVE ON CONNECT POSITION 0", "AS", "BEGIN", "END^"},
     {"skCreate okTrigger 'TRIG_ONCONNECT'"}},
    {"create_unique_index", {"CREATE UNIQUE INDEX IX ON T (A);"}, {"skCreate okIndex 'IX'"}},
    {"create_sequence_has_no_object_keyword", {"CREATE SEQUENCE S;"}, {"skCreate okNone 'S'"}},
    {"recreate_temporary_table", {"RECREATE GLOBAL TEMPORARY TABLE T (A INTEGER);"}, {"skRecreate okTable 'T'"}},
    {"create_domain_view_exception_generator_role_user",
     {"CREATE DOMAIN D AS INTEGER;", "CREATE VIEW V AS SELECT 1 FROM T;", "CREATE EXCEPTION E 'boom';",
      "CREATE GENERATOR G;", "CREATE ROLE R;", "CREATE USER U PASSWORD 'p';"},
     {"skCreate okDomain 'D'", "skCreate okView 'V'", "skCreate okException 'E'", "skCreate okGenerator 'G'",
      "skCreate okRole 'R'", "skCreate okUser 'U'"}},
    {"drop_kinds",
     {"DROP TABLE T;", "DROP INDEX IX;", "DROP FUNCTION F;", "DROP FILTER FL;", "DROP CONSTRAINT C;",
      "DROP PROCEDURE P;", "DROP TRIGGER TR;"},
     {"skDrop okTable 'T'", "skDrop okIndex 'IX'", "skDrop okFunction 'F'", "skDrop okFilter 'FL'",
      "skDrop okConstraint 'C'", "skDrop okProcedure 'P'", "skDrop okTrigger 'TR'"}},
    {"alter_table", {"ALTER TABLE T ADD B INTEGER;"}, {"skAlter okTable 'T'"}},
    {"alter_database_keeps_its_kind", {"ALTER DATABASE ADD FILE 'x';"}, {"skAlter okDatabase 'ADD'"}},
    {"database_found_by_search_changes_no_kind",
     {"CREATE SHADOW 1 DATABASE 'x.shd';"},
     {"skCreate okDatabase 'x.shd'"}},
    {"create_database_then_commit",
     {"CREATE DATABASE 'C:\\data\\x.fdb' USER 'U' PASSWORD 'P';", "COMMIT;", "ROLLBACK;"},
     {"skCreateDatabase okDatabase 'C:\\data\\x.fdb'", "skCommit okDatabase 'C:\\data\\x.fdb'",
      "skRollback okDatabase 'C:\\data\\x.fdb'"}},
    {"connect_then_drop_database",
     {"CONNECT 'srv:db' USER 'U';", "DROP DATABASE;", "RECONNECT;", "DISCONNECT;"},
     {"skConnect okDatabase 'srv:db'", "skDropDatabase okDatabase 'srv:db'", "skReconnect okDatabase 'srv:db'",
      "skDisconnect okDatabase 'srv:db'"}},
    {"no_current_database_yet", {"DISCONNECT;", "DROP DATABASE;", "CONNECT;"},
     {"skDisconnect okDatabase ''", "skDropDatabase okDatabase ''", "skConnect okDatabase ''"}},
    {"execute_procedure", {"EXECUTE PROCEDURE P 1;"}, {"skDML okNone ''"}},
    {"execute_alone", {"EXECUTE;"}, {"skExecute okNone ''"}},
    {"execute_quoted_word_is_not_block", {"EXECUTE 'x;"}, {"skDML okNone ''"}},
    {"execute_block_with_parameters",
     {"SET TERM ^ ;", "EXECUTE BLOCK(X INTEGER = ?) AS BEGIN END^", "SET TERM ; ^",
      "EXECUTE BLOCK (X INTEGER = ?) AS BEGIN X = 1; END;", "SELECT 1 FROM T;"},
     {"skDML okBlock ''", "skDML okBlock ''", "skUnknown okNone ''"}},
    {"set_generator_statistics_dialect",
     {"SET GENERATOR G TO 10;", "SET STATISTICS INDEX IX;", "SET SQL DIALECT 3;", "SET STATISTICS;", "SET;"},
     {"skSetGenerator okGenerator 'G'", "skSetStatistics okIndex 'IX'", "skSet okNone ''",
      "skSetStatistics okIndex ''", "skSet okNone ''"}},
    {"declare_external_function_and_filter",
     {"DECLARE EXTERNAL FUNCTION F INTEGER RETURNS INTEGER ENTRY_POINT 'f' MODULE_NAME 'm';",
      "DECLARE FILTER FL INPUT_TYPE 1 OUTPUT_TYPE -4 ENTRY_POINT 'e' MODULE_NAME 'm';", "DECLARE X;"},
     {"skDeclare okFunction 'F'", "skDeclare okFilter ''", "skDeclare okNone ''"}},
    {"comment_on",
     {"COMMENT ON TABLE T IS 'x';", "COMMENT ON COLUMN T.C IS 'x';", "COMMENT ON PARAMETER P.X IS 'x';",
      "COMMENT ON SOMETHING S IS 'x';"},
     {"skComment okTable 'T'", "skComment okField 'T.C'", "skComment okParameter 'P.X'", "skComment okNone ''"}},
    {"describe",
     {"DESCRIBE PROCEDURE P 'text';", "DESCRIBE FIELD F TABLE T 'text';", "DESCRIBE COLUMN F TABLE T 'text';",
      "DESCRIBE PARAMETER X PROCEDURE P 'text';", "DESCRIBE FIELD F;", "DESCRIBE FOO X;"},
     {"skDescribe okProcedure 'P'", "skDescribe okField 'T.F'", "skDescribe okField 'T.F'",
      "skDescribe okParameter 'P.X'", "skDescribe okField ''", "skDescribe okNone ''"}},
    {"grant_and_revoke",
     {"GRANT SELECT ON T TO U;", "GRANT EXECUTE ON PROCEDURE P TO U;", "REVOKE ALL ON TABLE T FROM U;",
      "GRANT R TO U;", "REVOKE R FROM U;", "GRANT SELECT ON;"},
     {"skGrant okNone 'T'", "skGrant okProcedure 'P'", "skGrant okTable 'T'", "skGrant okNone ''",
      "skGrant okNone ''", "skGrant okNone ''"}},
    {"batch",
     {"BATCH START;", "BATCH EXECUTE;", "BATCH NOW;", "BATCH;", "batch start;"},
     {"skBatchStart okNone ''", "skBatchExecute okNone ''", "skMalformed okNone ''", "skMalformed okNone ''",
      "skBatchStart okNone ''"}},
    {"dml_and_unknown",
     {"select 1 from rdb$database;", "insert into t values (1);", "UPDATE T SET A = 1;", "DELETE FROM T;",
      "MERGE INTO T USING S ON T.A = S.A WHEN MATCHED THEN DELETE;", "WITH X AS (SELECT 1 FROM T) SELECT * FROM X;"},
     {"skUnknown okNone ''", "skDML okNone ''", "skDML okNone ''", "skDML okNone ''", "skDML okNone ''",
      "skUnknown okNone ''"}},
    {"input", {"INPUT 'more.sql';"}, {"skInput okNone ''"}},
    {"first_word_must_stand_alone",
     {"CREATED;", "ALTERS X;", "INSERTS;", "SETTINGS;"},
     {"skUnknown okNone ''", "skUnknown okNone ''", "skUnknown okNone ''", "skUnknown okNone ''"}},
    {"words_behind_comments",
     {"CREATE /* x */ TABLE -- y", "  T (A INTEGER);"},
     {"skCreate okTable 'T'"}},
    {"verb_alone", {"CREATE;", "DROP;"}, {"skCreate okNone ''", "skDrop okNone ''"}},

    // Bodies written under ";".
    {"procedure_body_spread_over_lines",
     {"CREATE PROCEDURE P AS", "DECLARE VARIABLE X INTEGER;", "BEGIN", "  X = 1;", "  IF (X = 1) THEN",
      "  BEGIN", "    X = 2;", "  END", "END;", "SELECT 1 FROM T;"},
     {"skCreate okProcedure 'P'", "skUnknown okNone ''"}},
    {"case_counts_like_begin",
     {"CREATE PROCEDURE P AS BEGIN", "  X = CASE Y WHEN 1 THEN 2 END;", "  Y = 3;", "END;", "SELECT 1 FROM T;"},
     {"skCreate okProcedure 'P'", "skUnknown okNone ''"}},
    {"end_with_parenthesis_does_not_count",
     {"CREATE PROCEDURE P AS BEGIN", "  X = COALESCE(Z, CASE Y WHEN 1 THEN 2 END);", "END;", "SELECT 1 FROM T;"},
     {"skCreate okProcedure 'P'"}},
    {"trigger_body_lower_case",
     {"create trigger tr for t before insert as", "begin", "  new.a = 1;", "end;", "commit;"},
     {"skCreate okTrigger 'tr'", "skCommit okDatabase ''"}},
    {"execute_block_body",
     {"EXECUTE BLOCK AS DECLARE X INTEGER;", "BEGIN X = 1; END;", "SELECT 1 FROM T;"},
     {"skDML okBlock ''", "skUnknown okNone ''"}},
    {"alter_trigger_inactive_is_complete",
     {"ALTER TRIGGER T INACTIVE;", "SELECT 1 FROM T;"},
     {"skAlter okTrigger 'T'", "skUnknown okNone ''"}},
    {"drop_procedure_is_complete", {"DROP PROCEDURE P;", "SELECT 1 FROM T;"},
     {"skDrop okProcedure 'P'", "skUnknown okNone ''"}},
    {"body_resumes_after_terminator_in_column_one",
     {"CREATE PROCEDURE P AS BEGIN", "  X = 1", "", ";", "END", ";", "SELECT 1 FROM T;"},
     {"skCreate okProcedure 'P'", "skUnknown okNone ''"}},
    {"words_after_body_end_are_ignored",
     {"CREATE PROCEDURE P AS BEGIN X = 1; END BEGIN;", "SELECT 1 FROM T;"},
     {"skCreate okProcedure 'P'", "skUnknown okNone ''"}},
    {"body_never_scanned_under_other_terminator",
     {"SET TERM ^ ;", "CREATE PROCEDURE P AS BEGIN IF (1=1) THEN BEGIN END^", "SELECT 1 FROM T^"},
     {"skCreate okProcedure 'P'", "skUnknown okNone ''"}},
};

class ScriptParserClassify : public testing::TestWithParam<TClassifyCase> {};

TEST_P(ScriptParserClassify, GivesKindsAndNames)
{
    const TClassifyCase& c = GetParam();
    const TLineList lines(c.Lines);
    TScriptParser parser;
    const TParsed r = Parse(parser, lines);
    EXPECT_EQ(r.Kinds, c.Expected);
    for (const TStatementDesc& d : r.Map) EXPECT_NE(d.Kind, TStatementKind::skBatch);
    EXPECT_FALSE(parser.BlockPending());
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptParserClassify, testing::ValuesIn(ClassifyCases),
                         [](const testing::TestParamInfo<TClassifyCase>& info) { return std::string(info.param.Name); });

TEST(ScriptParserBody, SpansTerminatorsAndEndsAfterItsLastEnd)
{
    const TLineList lines{"CREATE PROCEDURE P AS", "DECLARE VARIABLE X INTEGER;", "BEGIN", "  X = 1;", "END;",
                          "SELECT 1 FROM T;"};
    TScriptParser parser;
    const TParsed r = Parse(parser, lines);
    ASSERT_EQ(r.Full.size(), 2u);
    EXPECT_EQ(r.Full[0], "(1,0)-(3,4) skCreate okProcedure 'P'");
    EXPECT_EQ(r.Texts[0], "CREATE PROCEDURE P AS\nDECLARE VARIABLE X INTEGER;\nBEGIN\n  X = 1;\nEND");
}

// The block state between terminators, as the scan drives it.
TEST(ScriptParserBody, BlockStateAcrossTerminators)
{
    const TLineList lines{"CREATE PROCEDURE P AS DECLARE X INTEGER; BEGIN IF (1=1) THEN BEGIN X = 1; END END;"};
    TScriptParser parser;
    parser.SetScriptLines(&lines);
    TStatementDesc d;
    d.StartPos = {1, 0};

    const struct {
        std::uint16_t EndCol;  // the terminator's column minus one
        bool Complete;
        bool Pending;
        bool BeginSeen;
        int Depth;
    } steps[] = {
        {39, false, true, false, 0},  // header: AS seen, no BEGIN yet
        {72, false, true, true, 2},   // inside the inner BEGIN
        {81, true, false, true, 0},   // after the outer END
    };
    for (const auto& s : steps) {
        d.EndPos = {s.EndCol, 0};
        ASSERT_EQ(lines[0][s.EndCol], ';');
        EXPECT_EQ(parser.ClassifyStatement(d, true), s.Complete) << s.EndCol;
        EXPECT_EQ(parser.BlockPending(), s.Pending) << s.EndCol;
        if (s.Pending) {
            EXPECT_EQ(parser.BlockBeginSeen(), s.BeginSeen) << s.EndCol;
            EXPECT_EQ(parser.BlockDepth(), s.Depth) << s.EndCol;
            EXPECT_EQ(Pos(parser.BlockResumePos()), Pos({static_cast<std::uint16_t>(s.EndCol + 1), 0}));
        }
        EXPECT_EQ(Kinds(d), "skCreate okProcedure 'P'");
    }
}

TEST(ScriptParserBody, OpenBodyWithoutCloseLastStaysOpenAndStateIsCleared)
{
    const TLineList lines{"CREATE PROCEDURE P AS BEGIN", "  X = 1;"};
    TScriptParser parser;
    const TParsed r = Parse(parser, lines, ";", false);
    ASSERT_EQ(r.Full.size(), 1u);
    EXPECT_EQ(r.Map[0].EndPos.Col, 0);
    EXPECT_EQ(Kinds(r.Map[0]), "skCreate okProcedure 'P'");
    EXPECT_FALSE(parser.BlockPending());

    const TParsed closed = Parse(parser, lines, ";", true);
    EXPECT_EQ(closed.Full, std::vector<std::string>{"(1,0)-(8,1) skCreate okProcedure 'P'"});
}

// A terminator in column 1 right after a line of the full column width: the
// body walk must resume on the next line, not lose its place.
TEST(ScriptParserBody, ResumesAfterLineOfFullColumnWidth)
{
    const std::string wide = "X = '" + std::string(65529, 'a') + "'";
    ASSERT_EQ(wide.size(), 65535u);
    const TLineList lines{"CREATE PROCEDURE P AS BEGIN", wide, ";", "END;", "SELECT 1 FROM T;"};
    TScriptParser parser;
    const TParsed r = Parse(parser, lines);
    EXPECT_EQ(r.Full, (std::vector<std::string>{"(1,0)-(3,3) skCreate okProcedure 'P'",
                                                 "(1,4)-(15,4) skUnknown okNone ''"}));
}

}  // namespace
