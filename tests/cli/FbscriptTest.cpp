// fbscript as a user runs it: the real binary against embedded databases.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliSupport.h"

using namespace clitest;

namespace {

class FbscriptCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testenv::NewDataDir("cli");
        Db = Dir + "/t.fdb";
        CreateDatabase(Db);
    }
    std::string Script(const std::string& name, const std::string& text)
    {
        WriteFile(Dir + "/" + name, text);
        return name;
    }
    TRun Run(const std::vector<std::string>& args) { return Fbscript(Dir, args); }
    TRun RunOnDb(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"-d", Db, "-u", "SYSDBA"});
        return Fbscript(Dir, args);
    }
    std::string Rows(const std::string& sql) { return Query(Db, sql); }

    std::string Dir, Db;
};

// The repair script the window carries, line for line.
const char* const kRepairScript =
    "SET TERM ^ ;\n\n\n\n"
    "CREATE OR ALTER TRIGGER TRIG_ONCONNECT\n"
    "ACTIVE ON CONNECT POSITION 0\n"
    "AS\n"
    "DECLARE VARIABLE ANOBASE INTEGER;\n"
    "DECLARE VARIABLE ANOATUAL INTEGER;\n"
    "DECLARE VARIABLE CODIGOPRODUTO VARCHAR(20);\n"
    "DECLARE VARIABLE PRECOCUSTO NUMERIC(15,2);\n"
    "DECLARE VARIABLE ESTOQUE NUMERIC(15,3);\n"
    "begin\n"
    "SELECT FIRST 1 COALESCE(ULTIMOANOBASEESTOQUE, 2015) FROM PADRAO INTO :ANOBASE;\n"
    "ANOATUAL = EXTRACT(YEAR FROM CURRENT_DATE);\n"
    "\n"
    "if (ANOATUAL > ANOBASE) then\n"
    "BEGIN\n"
    "   FOR SELECT CODIGO, PRECOCUSTO, COALESCE(ESTOQUEATUAL, 0.000) FROM PRODUTOS\n"
    "   INTO :CODIGOPRODUTO, :PRECOCUSTO, :ESTOQUE DO\n"
    "   BEGIN\n"
    "      UPDATE OR INSERT INTO BALANCETEANUAL(ANO, CODIGOPRODUTO, PRECOCUSTO, ESTOQUE)\n"
    "      VALUES(:ANOATUAL, :CODIGOPRODUTO, :PRECOCUSTO, :ESTOQUE);\n"
    "   END\n"
    "   UPDATE PADRAO SET ULTIMOANOBASEESTOQUE = :ANOATUAL;\n"
    "END\n"
    "end\n"
    "^\n\n\n"
    "SET TERM ; ^\n";

TEST_F(FbscriptCli, ListsTheRepairScriptAsOneTrigger)
{
    const TRun run = Run({"--list", Script("repair.sql", kRepairScript)});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "{\"no\":1,\"start\":{\"line\":4,\"col\":1},\"end\":{\"line\":26,\"col\":3},"
              "\"kind\":\"skCreate\",\"object\":\"okTrigger\",\"name\":\"TRIG_ONCONNECT\"}\n");
    EXPECT_EQ(run.Err, "");
}

TEST_F(FbscriptCli, RunsTheRepairScript)
{
    const TRun prepare = RunOnDb({Script("tables.sql",
                                         "CREATE TABLE PADRAO (ULTIMOANOBASEESTOQUE INTEGER);\n"
                                         "CREATE TABLE PRODUTOS (CODIGO VARCHAR(20), PRECOCUSTO NUMERIC(15,2),"
                                         " ESTOQUEATUAL NUMERIC(15,3));\n"
                                         "CREATE TABLE BALANCETEANUAL (ANO INTEGER NOT NULL, CODIGOPRODUTO "
                                         "VARCHAR(20) NOT NULL, PRECOCUSTO NUMERIC(15,2), ESTOQUE NUMERIC(15,3),"
                                         " PRIMARY KEY (ANO, CODIGOPRODUTO));\n")});
    ASSERT_EQ(prepare.Status, 0) << prepare.Err;
    for (int pass = 0; pass < 2; ++pass) {
        const TRun run = RunOnDb({Script("repair.sql", kRepairScript)});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_TRUE(Contains(run.Err, "1 statements run, 0 failed, 0 skipped")) << run.Err;
    }
    EXPECT_EQ(Rows("SELECT TRIM(RDB$TRIGGER_NAME) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'"),
              "TRIG_ONCONNECT");
}

struct TListCase {
    const char* Text;
    const char* Kind;
    const char* Object;
    const char* Name;
};

TEST_F(FbscriptCli, ListsEveryStatementKind)
{
    const std::vector<TListCase> cases = {
        {"SELECT 1 FROM RDB$DATABASE", "skUnknown", "okNone", ""},
        {"- 1", "skMalformed", "okNone", ""},
        {"INSERT INTO T VALUES (1)", "skDML", "okNone", ""},
        {"CONNECT 'C:\\data\\x.fdb' USER 'SYSDBA'", "skConnect", "okDatabase", "C:\\\\data\\\\x.fdb"},
        {"DISCONNECT", "skDisconnect", "okDatabase", "C:\\\\data\\\\x.fdb"},
        {"RECONNECT", "skReconnect", "okDatabase", "C:\\\\data\\\\x.fdb"},
        {"CREATE DATABASE 'new.fdb'", "skCreateDatabase", "okDatabase", "new.fdb"},
        {"DROP DATABASE", "skDropDatabase", "okDatabase", "new.fdb"},
        {"COMMIT", "skCommit", "okDatabase", "new.fdb"},
        {"ROLLBACK", "skRollback", "okDatabase", "new.fdb"},
        {"CREATE TABLE \"A\xC7\xC3O\" (A INTEGER)", "skCreate", "okTable", "A\xC3\x87\xC3\x83O"},
        {"ALTER TABLE T ADD B INTEGER", "skAlter", "okTable", "T"},
        {"RECREATE VIEW V AS SELECT 1 FROM T", "skRecreate", "okView", "V"},
        {"DROP INDEX IX", "skDrop", "okIndex", "IX"},
        {"SET AUTODDL ON", "skSet", "okNone", ""},
        {"SET GENERATOR G TO 5", "skSetGenerator", "okGenerator", "G"},
        {"SET STATISTICS INDEX IX", "skSetStatistics", "okIndex", "IX"},
        {"DESCRIBE TABLE T 'text'", "skDescribe", "okTable", "T"},
        {"DECLARE EXTERNAL FUNCTION F ENTRY_POINT 'f' MODULE_NAME 'm'", "skDeclare", "okFunction", "F"},
        {"COMMENT ON TABLE T IS 'x'", "skComment", "okTable", "T"},
        {"GRANT SELECT ON T TO PUBLIC", "skGrant", "okNone", "T"},
        {"INPUT 'other.sql'", "skInput", "okNone", ""},
        {"BATCH START", "skBatchStart", "okNone", ""},
        {"BATCH EXECUTE", "skBatchExecute", "okNone", ""},
        {"EXECUTE", "skExecute", "okNone", ""},
    };
    std::string text;
    for (const auto& c : cases) text += std::string(c.Text) + ";\n";
    const TRun run = Run({"--list", Script("kinds.sql", text)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::vector<std::string> lines;
    TLineList split;
    split.SetText(run.Out);
    ASSERT_EQ(split.Count(), static_cast<int>(cases.size())) << run.Out;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string& line = split[static_cast<int>(i)];
        SCOPED_TRACE(line);
        const std::string start = "{\"no\":" + std::to_string(i + 1) + ",\"start\":{\"line\":" +
                                  std::to_string(i) + ",\"col\":1},";
        EXPECT_EQ(line.rfind(start, 0), 0u);
        EXPECT_TRUE(Contains(line, std::string("\"kind\":\"") + cases[i].Kind + "\",\"object\":\"" +
                                       cases[i].Object + "\",\"name\":\"" + cases[i].Name + "\"}"));
    }
}

TEST_F(FbscriptCli, ExitStatusTellsWhatHappened)
{
    struct TCase {
        const char* Name;
        std::vector<std::string> Args;
        std::string ScriptText;
        int Status;
        const char* ErrPart;
    };
    const std::vector<TCase> cases = {
        {"AllRan", {"-d", Db}, "CREATE TABLE T (A INTEGER);\nINSERT INTO T VALUES (1);\n", 0,
         "2 statements run, 0 failed, 0 skipped"},
        {"StatementFailed", {"-d", Db}, "SELECT 1 FROM RDB$DATABASE;\n\n  INSERT INTO MISSING\n  VALUES (1);\n", 1,
         "s.sql:3: statement 2 (line 3) failed, SQLCODE -204:"},
        {"BadUsage", {"--no-such-option"}, "SELECT 1 FROM RDB$DATABASE;\n", 2, "unknown option"},
        {"Unparsable", {"-d", Db}, "SELECT 1 FROM RDB$DATABASE;\nCREATE TABLE \"OPEN\n(A INTEGER);\n", 2,
         "cannot parse the script in the statement at line 2: Can't find end token"},
        {"FromBeyondTheEnd", {"-d", Db, "--from", "3"}, "SELECT 1 FROM RDB$DATABASE;\n", 2,
         "--from 3: the script has only 1 statements"},
        {"FromBeyondTheEndStreamed", {"-d", Db, "--stream", "--from", "3"}, "SELECT 1 FROM RDB$DATABASE;\n", 2,
         "--from 3: the script has only 1 statements"},
        {"NoDatabase", {"-d", Dir + "/missing.fdb"}, "SELECT 1 FROM RDB$DATABASE;\n", 3, "cannot connect to"},
        {"NoConnectionInScript", {}, "SELECT 1 FROM RDB$DATABASE;\n", 3, "there is no connection"},
        {"ScriptConnectFails", {}, "CONNECT '" + Dir + "/missing.fdb';\nSELECT 1 FROM RDB$DATABASE;\n",
         3, "statement 1 (line 1) failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = c.Args;
        args.push_back(Script("s.sql", c.ScriptText));
        const TRun run = Run(args);
        EXPECT_EQ(run.Status, c.Status) << run.Err;
        EXPECT_TRUE(Contains(run.Err, c.ErrPart)) << run.Err;
    }
}

TEST_F(FbscriptCli, AFailureShowsMessageAndStatementUnlessQuiet)
{
    const std::string text = "CREATE TABLE T (A INTEGER);\n"
                             "INSERT INTO T\n  SELECT 1 FROM NOWHERE_TABLE\n  WHERE 1 = 1\n  AND 2 = 2\n"
                             "  AND 3 = 3\n  AND 4 = 4\n  AND 5 = 5;\n";
    const TRun run = RunOnDb({Script("s.sql", text)});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "s.sql:2: statement 2 (line 2) failed, SQLCODE -204:\n")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "NOWHERE_TABLE")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "  | INSERT INTO T\n  |   SELECT 1 FROM NOWHERE_TABLE\n")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "  | ... (2 more lines)\n")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "2 statements run, 1 failed, 0 skipped")) << run.Err;

    const TRun quiet = RunOnDb({"-q", "--from", "2", "s.sql"});
    EXPECT_EQ(quiet.Status, 1);
    EXPECT_TRUE(Contains(quiet.Err, "statement 2 (line 2) failed")) << quiet.Err;
    EXPECT_FALSE(Contains(quiet.Err, "  | ")) << quiet.Err;
    EXPECT_FALSE(Contains(quiet.Err, "statements run")) << quiet.Err;
    // Standard error is no terminal here: no progress line.
    EXPECT_FALSE(Contains(run.Err, "\r")) << run.Err;
}

TEST_F(FbscriptCli, FromContinuesAStoppedRunAndAFailedRunKeepsOnlyCommittedWork)
{
    const std::string text = "CREATE TABLE T (ID INTEGER PRIMARY KEY);\n"  // 1
                             "INSERT INTO T VALUES (1);\n"                   // 2
                             "COMMIT;\n"                                     // 3
                             "INSERT INTO T VALUES (3);\n"                   // 4
                             "INSERT INTO T VALUES (1);\n"                   // 5: duplicate
                             "INSERT INTO T VALUES (2);\n";                  // 6
    const TRun first = RunOnDb({Script("s.sql", text)});
    EXPECT_EQ(first.Status, 1);
    EXPECT_TRUE(Contains(first.Err, "s.sql:5: statement 5 (line 5) failed")) << first.Err;
    EXPECT_TRUE(Contains(first.Err, "5 statements run, 1 failed, 1 skipped")) << first.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T ORDER BY ID"), "1");

    const TRun rest = RunOnDb({"--from", "6", "s.sql"});
    EXPECT_EQ(rest.Status, 0) << rest.Err;
    EXPECT_TRUE(Contains(rest.Err, "1 statements run, 0 failed, 5 skipped")) << rest.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T ORDER BY ID"), "1,2");
}

TEST_F(FbscriptCli, ContinueOnErrorKeepsEarlierAndLaterWork)
{
    const std::string text = "CREATE TABLE T (ID INTEGER);\n"
                             "INSERT INTO T VALUES (1);\n"
                             "INSERT INTO MISSING VALUES (1);\n"
                             "INSERT INTO T VALUES (2);\n"
                             "INSERT INTO T VALUES ('x');\n"
                             "INSERT INTO T VALUES (3);\n";
    const TRun run = RunOnDb({"--continue-on-error", Script("s.sql", text)});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "statement 3 (line 3) failed")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "statement 5 (line 5) failed")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "6 statements run, 2 failed, 0 skipped")) << run.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T ORDER BY ID"), "1,2,3");
}

TEST_F(FbscriptCli, NoAutoDdlAndTerminatorOptions)
{
    // Without AutoDDL the new table waits in the transaction that the failure
    // rolls back; with it, the table was committed before the failure.
    Script("s.sql", "CREATE TABLE T2 (ID INTEGER)!!\nINSERT INTO MISSING VALUES (7)!!\n");
    const std::string tables = "SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T2'";
    const TRun without = RunOnDb({"--no-autoddl", "--terminator", "!!", "s.sql"});
    EXPECT_EQ(without.Status, 1) << without.Err;
    EXPECT_TRUE(Contains(without.Err, "statement 2 (line 2) failed")) << without.Err;
    EXPECT_EQ(Rows(tables), "0");
    const TRun with = RunOnDb({"--terminator", "!!", "s.sql"});
    EXPECT_EQ(with.Status, 1) << with.Err;
    EXPECT_EQ(Rows(tables), "1");
}

TEST_F(FbscriptCli, DrawsProgressOnlyOnATerminal)
{
    std::string text = "RECREATE TABLE T (ID INTEGER);\n";
    for (int i = 0; i < 2000; ++i) text += "INSERT INTO T VALUES (" + std::to_string(i) + ");\n";
    Script("s.sql", text);
    struct TCase {
        const char* Name;
        const char* Options;
        const char* Part;
    };
    for (const TCase& c : {TCase{"Statements", "", "/2001 statements  0:0"},
                           TCase{"Bytes", "--stream", " / 55.6 KB  0:0"}}) {
        SCOPED_TRACE(c.Name);
        // script(1) gives the program a terminal; its output lands in typescript.
        const std::string cmd = "cd " + Quote(Dir) + " && script -qec " +
                                Quote(Quote(FBSCRIPT_PATH) + " " + c.Options + " -d " + Quote(Db) + " s.sql") +
                                " typescript >/dev/null 2>&1 </dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        const std::string screen = ReadFile(Dir + "/typescript");
        EXPECT_TRUE(Contains(screen, "\r[")) << screen;
        EXPECT_TRUE(Contains(screen, c.Part)) << screen;
        EXPECT_TRUE(Contains(screen, "\r\033[Kfbscript: 2001 statements run")) << screen;
    }
}

TEST_F(FbscriptCli, ReadsTheScriptFromStandardInput)
{
    WriteFile(Dir + "/in.sql", "CREATE TABLE T (ID INTEGER);\nINSERT INTO T VALUES (5);\n");
    const TRun run = Fbscript(Dir, {"-d", Db, "-"}, Dir + "/in.sql");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T"), "5");
}

TEST_F(FbscriptCli, RefusesFilesThatAreNoScript)
{
    WriteFile(Dir + "/empty.sql", "");
    WriteFile(Dir + "/comments.sql", "-- nothing here\n/* nor here */\n");
    static const char kBinary[] = "SELECT 1\0\x01\x02 FROM X;\n";
    WriteFile(Dir + "/binary.sql", std::string(kBinary, sizeof kBinary - 1));
    WriteFile(Dir + "/long.sql", "SELECT '" + std::string(70000, 'x') + "' FROM RDB$DATABASE;\n");
    struct TCase {
        const char* Name;
        std::vector<std::string> Args;
        const char* ErrPart;
    };
    const std::vector<TCase> cases = {
        {"Missing", {"nothere.sql"}, "nothere.sql: no such file"},
        {"Folder", {"."}, ".: is a folder, not a script file"},
        {"Empty", {"empty.sql"}, "empty.sql: the script is empty"},
        {"OnlyComments", {"comments.sql"}, "comments.sql: the script holds no statements"},
        {"OnlyCommentsStreamed", {"--stream", "comments.sql"}, "comments.sql: the script holds no statements"},
        {"Binary", {"binary.sql"}, "binary.sql: the file holds NUL bytes; it is binary"},
        {"BinaryStreamed", {"--stream", "binary.sql"}, "binary.sql: the file holds NUL bytes; it is binary"},
        {"BinaryListed", {"--list", "binary.sql"}, "binary.sql: the file holds NUL bytes; it is binary"},
        {"EmptyStreamed", {"--stream", "empty.sql"}, "empty.sql: the script is empty"},
        {"LongLine", {"long.sql"}, "long.sql: line 1 is longer than 65535 characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = {"-d", Db};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TRun run = Run(args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(Contains(run.Err, c.ErrPart)) << run.Err;
        EXPECT_EQ(run.Out, "");
    }
}

TEST_F(FbscriptCli, StreamsAFileWithSetTermAndInput)
{
    Script("rows.sql", "INSERT INTO T VALUES (10);\nINSERT INTO T\n  VALUES (20);\n");
    const std::string text = "CREATE TABLE T (ID INTEGER);\n"
                             "SET TERM ^ ;\n"
                             "CREATE PROCEDURE ADD_ROW (V INTEGER) AS\n"
                             "BEGIN\n"
                             "  INSERT INTO T VALUES (:V);\n"
                             "  INSERT INTO T VALUES (:V + 1);\n"
                             "END^\n"
                             "SET TERM ; ^\n"
                             "INPUT 'rows.sql';\n"
                             "EXECUTE PROCEDURE ADD_ROW 100;\n";
    const TRun run = RunOnDb({"--stream", Script("main.sql", text)});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T ORDER BY ID"), "10,20,100,101");
}

TEST_F(FbscriptCli, StreamedFailuresNameTheirFileAndLine)
{
    Script("rows.sql", "INSERT INTO T VALUES (1);\n\n\nINSERT INTO\n  MISSING VALUES (1);\n");
    const std::string text = "CREATE TABLE T (ID INTEGER);\n"
                             "\n"
                             "INSERT INTO T VALUES (2); INSERT INTO T\n"
                             "  VALUES (3);\n"
                             "INPUT 'rows.sql';\n"
                             "\n"
                             "INSERT INTO T\n"
                             "  VALUES ('not a number');\n";
    const TRun inInput = RunOnDb({"--stream", "--continue-on-error", Script("main.sql", text)});
    EXPECT_EQ(inInput.Status, 1);
    EXPECT_TRUE(Contains(inInput.Err, "rows.sql:4: statement 2 (line 4) failed")) << inInput.Err;
    EXPECT_TRUE(Contains(inInput.Err, "main.sql:7: statement 5 (line 7) failed")) << inInput.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T ORDER BY ID"), "1,2,3");

    // --from counts the statements as they are read.
    const TRun from = RunOnDb({"--stream", "--from", "3", Script("tail.sql",
        "INSERT INTO T VALUES (4);\nINSERT INTO T VALUES (5);\nINSERT INTO T VALUES (6);\n")});
    EXPECT_EQ(from.Status, 0) << from.Err;
    EXPECT_TRUE(Contains(from.Err, "1 statements run, 0 failed, 2 skipped")) << from.Err;
    EXPECT_EQ(Rows("SELECT ID FROM T ORDER BY ID"), "1,2,3,6");
}

TEST_F(FbscriptCli, PasswordsNeverAppearInOutput)
{
    const std::string text =
        "CONNECT '" + Db + "' USER 'SYSDBA' PASSWORD 'Scr1ptPass';\n"
        "CREATE TABLE T (ID INTEGER);\n"
        "ALTER USER NO_SUCH_USER_X PASSWORD\n  'UserPw99Secret';\n"
        "INSERT INTO T VALUES (1);\n"
        "CREATE DATABASE '" + Dir + "/t.fdb' USER 'SYSDBA' PASSWORD 'Cre8Pw77';\n";
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "stream" : "whole");
        std::vector<std::string> args = {"-d", Db, "-u", "SYSDBA", "-p", "CmdL1nePw", "--echo",
                                         "--continue-on-error"};
        if (stream) args.push_back("--stream");
        args.push_back(Script("s.sql", text));
        const TRun run = Run(args);
        // The CREATE DATABASE of an existing file fails and leaves no connection.
        EXPECT_EQ(run.Status, 3) << run.All();
        for (const char* secret : {"CmdL1nePw", "Scr1ptPass", "UserPw99Secret", "Cre8Pw77"})
            EXPECT_FALSE(Contains(run.All(), secret)) << secret << "\n" << run.All();
        EXPECT_TRUE(Contains(run.Out, "USER 'SYSDBA' PASSWORD ***\n")) << run.Out;
        EXPECT_TRUE(Contains(run.Out, "CREATE TABLE T (ID INTEGER)")) << run.Out;
        EXPECT_TRUE(Contains(run.Err, "  |   ***\n")) << run.Err;  // the failing ALTER USER's second line
    }
}

}  // namespace
