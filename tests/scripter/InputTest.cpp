// INPUT and ExecuteFromFile against the embedded engine: statements run as
// their lines are read, the carry of an unfinished statement, SET TERM inside
// a file, nesting and its limit, batches, the end steps; and the blob file of
// SET BLOBFILE with its H<offset>_<length> parameters.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using runnertest::TChecker;

namespace {

const std::string kPassword = "masterkey";

struct TEvent {
    std::int32_t Line = 0;
    std::int32_t StatementNo = 0;
    std::string Text;
};

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testenv::NewDataDir("input");
        Path = Dir + "/input.fdb";
        runnertest::CreateDatabase(Path, kPassword);
        Checker = std::make_unique<TChecker>(Path, kPassword);
        Checker->Exec({"CREATE TABLE T (ID INTEGER, TXT VARCHAR(200))"});
        Owner = std::make_unique<TComponent>();
        runnertest::WireRunner(*Owner, Path, kPassword, CON, SC);
    }
    void TearDown() override
    {
        Owner.reset();
        Checker.reset();
    }

    std::string File(const std::string& name, const std::vector<std::string>& lines, const char* eol = "\n")
    {
        const std::string path = Dir + "/" + name;
        std::ofstream out(path, std::ios::binary);
        for (const auto& line : lines) out << line << eol;
        return path;
    }

    void Run(std::vector<std::string> lines)
    {
        SC->SetScript(TLineList(std::move(lines)));
        SC->ExecuteScript(1);
    }

    // Every BeforeStatementExecute.
    void Record()
    {
        SC->BeforeStatementExecute = [this](TScriptRunner*, std::int32_t line, std::int32_t no,
                                            const TStatementDesc&, TLineList* statement) {
            Events.push_back({line, no, statement ? statement->Text() : std::string("<nil>")});
        };
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const auto& e : Events) out.push_back(e.Text);
        return out;
    }

    std::string Ids() { return Checker->Scalar("SELECT LIST(ID, ',') FROM (SELECT ID FROM T ORDER BY ID)"); }

    std::string Dir, Path;
    std::unique_ptr<TChecker> Checker;
    std::unique_ptr<TComponent> Owner;
    TDatabase* CON = nullptr;
    TScriptRunner* SC = nullptr;
    std::vector<TEvent> Events;
};

}  // namespace

// ---------------------------------------------------------------------------
// The file run

TEST_F(InputTest, StatementsRunAsTheirLinesArrive)
{
    const std::string file = File("a.sql", {
                                               "INSERT INTO T (ID) VALUES (1);",
                                               "-- a comment line",
                                               "INSERT INTO T (ID)",
                                               "  VALUES (2);",
                                               "INSERT INTO T (ID) VALUES (3); INSERT INTO T (ID) VALUES (4);",
                                               "COMMIT;",
                                           });
    Record();
    Run({"INPUT '" + file + "';"});

    // Line: the lines read when the statement ran; StatementNo: buffers done + 1.
    // The two statements of line 5 come from one buffer and share both.
    struct TExpected {
        std::int32_t Line, No;
        std::string Text;
    };
    const std::vector<TExpected> expected = {
        {1, 1, "INPUT '" + file + "'\r\n"},  // the outer statement
        {1, 1, "INSERT INTO T (ID) VALUES (1)\r\n"},
        {4, 2, "INSERT INTO T (ID)\r\n  VALUES (2)\r\n"},
        {5, 3, "INSERT INTO T (ID) VALUES (3)\r\n"},
        {5, 3, "INSERT INTO T (ID) VALUES (4)\r\n"},
        {6, 4, "COMMIT\r\n"},
    };
    ASSERT_EQ(Events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Events[i].Line, expected[i].Line);
        EXPECT_EQ(Events[i].StatementNo, expected[i].No);
        EXPECT_EQ(Events[i].Text, expected[i].Text);
    }
    EXPECT_EQ(Ids(), "1,2,3,4");
}

TEST_F(InputTest, EachStatementRunsBeforeTheNextLineIsRead)
{
    // The file grows while it is read: a line appended from the event of
    // statement 1 is still found, so nothing was read ahead.
    const std::string file = File("grow.sql", {"INSERT INTO T (ID) VALUES (1);"});
    SC->BeforeStatementExecute = [&](TScriptRunner*, std::int32_t, std::int32_t no, const TStatementDesc&,
                                     TLineList* statement) {
        if (no == 1 && statement && statement->Text().find("VALUES (1)") != std::string::npos) {
            std::ofstream(file, std::ios::app) << "INSERT INTO T (ID) VALUES (2);\n";
        }
    };
    SC->ExecuteFromFile(file, ";");
    Run({"COMMIT;"});
    // The line counted first decides nothing: reading goes on to the end.
    EXPECT_EQ(Ids(), "1,2");
}

TEST_F(InputTest, AnUnfinishedStatementIsCarriedWhole)
{
    const std::string file = File("carry.sql", {
                                                   "INSERT INTO T (ID) VALUES (1); INSERT INTO T (ID, TXT)",
                                                   "VALUES",
                                                   "(2, 'x;y'); INSERT INTO T (ID)",
                                                   "VALUES (3);",
                                               });
    Record();
    SC->ExecuteFromFile(file, ";");
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "INSERT INTO T (ID) VALUES (1)\r\n",
                           "INSERT INTO T (ID, TXT)\r\nVALUES\r\n(2, 'x;y')\r\n",
                           "INSERT INTO T (ID)\r\nVALUES (3)\r\n",
                       }));
    Run({"COMMIT;"});
    EXPECT_EQ(Ids(), "1,2,3");
    EXPECT_EQ(Checker->Scalar("SELECT TXT FROM T WHERE ID = 2"), "x;y");
}

TEST_F(InputTest, SetTermInAFileStaysInThatFile)
{
    // The first file switches to "^" and never back.
    const std::string proc = File("proc.sql", {
                                                  "SET TERM ^ ;",
                                                  "CREATE PROCEDURE ADD_ROW (N INTEGER) AS",
                                                  "BEGIN",
                                                  "  INSERT INTO T (ID) VALUES (:N);",
                                                  "END^",
                                                  "EXECUTE PROCEDURE ADD_ROW(1)^",
                                              });
    const std::string rows = File("rows.sql", {"EXECUTE PROCEDURE ADD_ROW(2);", "INSERT INTO T (ID) VALUES (3);"});
    Run({"INPUT '" + proc + "';", "INSERT INTO T (ID) VALUES (10);", "INPUT '" + rows + "';", "COMMIT;"});
    EXPECT_EQ(Ids(), "1,2,3,10");
}

TEST_F(InputTest, TheApplicationChoosesTheTerminator)
{
    const std::string file = File("caret.sql", {"INSERT INTO T (ID, TXT) VALUES (1, 'a;b')^",
                                                "INSERT INTO T (ID) VALUES (2)^", "COMMIT^"},
                                  "\r\n");
    SC->ExecuteFromFile(file, "^");
    EXPECT_EQ(Ids(), "1,2");
}

TEST_F(InputTest, ALastStatementWithoutTerminatorIsExecuted)
{
    struct TCase {
        const char* What;
        std::vector<std::string> Lines;
    };
    const TCase cases[] = {
        {"on its own lines", {"INSERT INTO T (ID) VALUES (1);", "INSERT INTO T (ID)", "VALUES (2)"}},
        {"carried after a terminator", {"INSERT INTO T (ID) VALUES (1); INSERT INTO T (ID) VALUES (2)"}},
        {"followed by blank lines", {"INSERT INTO T (ID) VALUES (1);", "INSERT INTO T (ID) VALUES (2)", "", "  "}},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        Checker->Exec({"DELETE FROM T"});
        SC->ExecuteFromFile(File("last" + std::to_string(n++) + ".sql", c.Lines), ";");
        SC->ExecuteScript(1);  // empty script: nothing but the end of a run
        Run({"COMMIT;"});
        EXPECT_EQ(Ids(), "1,2");
    }
    // Blank lines and comments after the last terminator are no statement.
    Events.clear();
    Record();
    SC->ExecuteFromFile(File("tail.sql", {"COMMIT;", "", "-- done", "/* really */"}), ";");
    EXPECT_EQ(Texts(), std::vector<std::string>{"COMMIT\r\n"});
}

TEST_F(InputTest, AMissingFileFailsBeforeAnythingOfItRuns)
{
    Record();
    SC->SetScript(TLineList({"INSERT INTO T (ID) VALUES (1);", "INPUT '" + Dir + "/missing.sql';",
                             "INSERT INTO T (ID) VALUES (2);"}));
    try {
        SC->ExecuteScript(1);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "File not found");
    }
    EXPECT_EQ(Events.size(), 2u) << "the INSERT before and the INPUT itself, nothing after";
    // The runner's own lines are in place again (they never left).
    TLineList text;
    EXPECT_EQ(SC->GetStatement(3, text).Kind, TStatementKind::skDML);
    EXPECT_EQ(text.Text(), "INSERT INTO T (ID) VALUES (2)\r\n");
}

TEST_F(InputTest, UnquotedFileNameEndsAtTheFirstTextDelimiter)
{
    // (An unquoted absolute POSIX path would lose its leading "/", a word
    // delimiter; a relative name shows the cut.)
    File("data", {"INSERT INTO T (ID) VALUES (7);", "COMMIT;"});
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(Dir);
    try {
        Run({"INPUT data-1.sql;"});
    } catch (...) {
        std::filesystem::current_path(cwd);
        throw;
    }
    std::filesystem::current_path(cwd);
    EXPECT_EQ(Ids(), "7");
}

TEST_F(InputTest, AnOwnConnectionIsReleasedAfterInput)
{
    const std::string file = File("own.sql", {"INSERT INTO T (ID) VALUES (1);"});
    SC->SetDatabase(nullptr);
    bool connectionAfter = true;
    SC->BeforeStatementExecute = [&](TScriptRunner* sender, std::int32_t, std::int32_t no, const TStatementDesc&,
                                     TLineList*) {
        if (no == 3) connectionAfter = sender->Database() != nullptr;
    };
    SC->SetScript(TLineList({"CONNECT '" + Path + "' USER 'SYSDBA';", "INPUT '" + file + "';",
                             "INSERT INTO T (ID) VALUES (2);"}));
    EXPECT_THROW(SC->ExecuteScript(1), Exception) << "the third statement has no connection";
    EXPECT_FALSE(connectionAfter);
    EXPECT_EQ(Ids(), "1") << "the file's work was committed when its connection was released";
}

TEST_F(InputTest, NestingIsLimitedTo64Levels)
{
    // A chain of exactly 64 files runs...
    for (int level = 64; level >= 1; --level) {
        const std::string next = level == 64 ? std::string("INSERT INTO T (ID) VALUES (64);")
                                             : "INPUT '" + Dir + "/chain" + std::to_string(level + 1) + ".sql';";
        File("chain" + std::to_string(level) + ".sql", {next});
    }
    SC->ExecuteFromFile(Dir + "/chain1.sql", ";");
    Run({"COMMIT;"});
    EXPECT_EQ(Ids(), "64");

    // ...a file that inputs itself stops at the 65th.
    const std::string self = Dir + "/self.sql";
    File("self.sql", {"INSERT INTO T (ID) VALUES (1);", "INPUT '" + self + "';"});
    try {
        SC->ExecuteFromFile(self, ";");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("\"" + self + "\""), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("64"), std::string::npos) << e.Message();
    }
    // Every level gave the runner its lines back.
    Run({"ROLLBACK;", "INSERT INTO T (ID) VALUES (65);", "COMMIT;"});
    EXPECT_EQ(Ids(), "64,65");
}

TEST_F(InputTest, AHandledFailureStopsTheFileAndTheOuterScript)
{
    const std::string file = File("stop.sql", {"INSERT INTO T (ID) VALUES (1);", "INSERT INTO NOPE VALUES (2);",
                                               "INSERT INTO T (ID) VALUES (3);"});
    std::int32_t errorLine = 0, errorNo = 0;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t no, std::int32_t line, TLineList*, std::int32_t,
                             const std::string&, bool& doRollBack, bool&) {
        errorNo = no;
        errorLine = line;
        doRollBack = false;
    };
    Run({"INPUT '" + file + "';", "INSERT INTO T (ID) VALUES (4);"});
    EXPECT_EQ(errorNo, 2);
    EXPECT_EQ(errorLine, 1) << "the line within the buffer";
    Run({"COMMIT;"});
    EXPECT_EQ(Ids(), "1");
}

TEST_F(InputTest, BatchInAFileCollectsTextsWithoutTerminators)
{
    const std::string file = File("batch.sql", {"BATCH START;", "INSERT INTO T (ID) VALUES (1);",
                                                "INSERT INTO T (ID)", "VALUES (2);", "BATCH EXECUTE;", "COMMIT;"});
    std::vector<std::string> collected;
    std::int32_t batchLine = 0;
    bool statementNil = false;
    SC->BeforeStatementExecute = [&](TScriptRunner* sender, std::int32_t line, std::int32_t, const TStatementDesc& d,
                                     TLineList* statement) {
        if (d.Kind == TStatementKind::skBatchExecute) {
            collected = sender->BatchStatements();
            batchLine = line;
            statementNil = statement == nullptr;
        }
    };
    SC->ExecuteFromFile(file, ";");
    EXPECT_EQ(collected, (std::vector<std::string>{"INSERT INTO T (ID) VALUES (1)\r\n",
                                                   "INSERT INTO T (ID)\r\nVALUES (2)\r\n"}));
    EXPECT_EQ(batchLine, 5);
    EXPECT_TRUE(statementNil);
    EXPECT_FALSE(SC->InBatch());
    EXPECT_EQ(Ids(), "1,2");
}

// ---------------------------------------------------------------------------
// Blob parameters

class BlobInputTest : public InputTest {
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        Checker->Exec({"CREATE TABLE B (ID INTEGER, A BLOB, C BLOB, D BLOB, E BLOB)"});
        Bytes.resize(1000);
        for (size_t i = 0; i < Bytes.size(); ++i) Bytes[i] = static_cast<char>((i * 7 + 3) % 256);
        BlobPath = Dir + "/blob.bin";
        std::ofstream(BlobPath, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    }

    // The row's blob columns as raw bytes; "<null>" for NULL.
    std::vector<std::string> Row()
    {
        TChecker reader(Path, kPassword);
        std::vector<std::string> out;
        for (const char* column : {"ID", "A", "C", "D", "E"}) {
            const auto rows = reader.Rows(std::string("SELECT ") + column + " FROM B");
            out.push_back(rows.empty() ? "<none>" : rows.front());
        }
        return out;
    }

    std::string Bytes, BlobPath;
};

TEST_F(BlobInputTest, ParametersNamedHTakeTheirBytesFromTheBlobFile)
{
    Run({"SET BLOBFILE '" + BlobPath + "';",
         "INSERT INTO B (ID, A, C, D, E) VALUES (:ID, :H0_10, :H10_20, :h0_0, :HOUR);", "COMMIT;"});
    // :ID is no blob reference and stays unset; :HOUR reads as length 0.
    EXPECT_EQ(Row(), (std::vector<std::string>{"<null>", Bytes.substr(0, 16), Bytes.substr(16, 32), "<null>",
                                               "<null>"}));
    EXPECT_FALSE(SC->BlobFileOpen()) << "closed at the end of the run";
    EXPECT_EQ(SC->BlobFileName(), BlobPath);
}

TEST_F(BlobInputTest, WithoutABlobFileTheParametersAreLeftAlone)
{
    Run({"INSERT INTO B (ID, A) VALUES (1, :H0_10);", "COMMIT;"});
    EXPECT_EQ(Row()[1], "<null>");
}

TEST_F(BlobInputTest, RangesOutsideTheFileAreRefused)
{
    struct TCase {
        const char* Param;
        const char* Sizes;  // part of the message
    };
    const TCase cases[] = {
        {"H3E0_10", "16 bytes at offset 992"},         // runs 8 bytes past the end
        {"H3E8_1", "1 bytes at offset 1000"},          // starts at the end
        {"H80000000_10", "16 bytes at offset -2147483648"},
        {"H0_FFFFFFFF", "-1 bytes at offset 0"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Param);
        SC->SetScript(TLineList({"SET BLOBFILE '" + BlobPath + "';",
                                 std::string("INSERT INTO B (ID, A) VALUES (1, :") + c.Param + ");"}));
        try {
            SC->ExecuteScript(1);
            ADD_FAILURE() << "no error";
        } catch (const EDbError& e) {
            ADD_FAILURE() << "reached the database: " << e.Message();
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().find(c.Param), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.Sizes), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(BlobPath), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find("1000 bytes"), std::string::npos) << e.Message();
        }
        Run({"ROLLBACK;"});
    }
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM B"), "0");

    // The last byte itself is in range.
    Run({"SET BLOBFILE '" + BlobPath + "';", "INSERT INTO B (ID, A) VALUES (1, :H3E7_1);", "COMMIT;"});
    EXPECT_EQ(Row()[1], Bytes.substr(999, 1));
}

TEST_F(BlobInputTest, ANewBlobFileClosesTheOldOne)
{
    const std::string other = Dir + "/other.bin";
    std::ofstream(other, std::ios::binary) << "0123456789ABCDEF";
    std::vector<bool> open;
    SC->BeforeStatementExecute = [&](TScriptRunner* sender, std::int32_t, std::int32_t, const TStatementDesc&,
                                     TLineList*) { open.push_back(sender->BlobFileOpen()); };
    Run({"SET BLOBFILE '" + BlobPath + "';", "INSERT INTO B (ID, A) VALUES (1, :H0_4);",
         "SET BLOBFILE '" + other + "';", "INSERT INTO B (ID, A) VALUES (2, :HA_4);", "COMMIT;"});
    // Open from the first blob parameter on, closed by the second SET BLOBFILE.
    EXPECT_EQ(open, (std::vector<bool>{false, false, true, false, true}));
    EXPECT_EQ(Checker->Rows("SELECT A FROM B ORDER BY ID"),
              (std::vector<std::string>{Bytes.substr(0, 4), "ABCD"}));
}

TEST_F(BlobInputTest, AMissingBlobFileCannotBeOpened)
{
    SC->SetScript(TLineList({"SET BLOBFILE '" + Dir + "/none.bin';", "INSERT INTO B (ID, A) VALUES (1, :H0_1);"}));
    bool handled = false;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) { handled = true; };
    try {
        SC->ExecuteScript(1);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + Dir + "/none.bin\". No such file or directory");
    }
    EXPECT_FALSE(handled) << "not an error of the access layer";
}

TEST(HexToInt, ReadsOnlyDigitsOneToNineAndUpperCaseLetters)
{
    struct TCase {
        const char* Text;
        std::int32_t Value;
    };
    const TCase cases[] = {
        {"", 0},         {"0", 0},           {"10", 16},         {"1A0", 416},
        {"FF", 255},     {"ff", 0},          {"0ff", 0},         {"HOUR", 0},
        {"H", 0},        {"1G2", 0x102},     {"7FFFFFFF", 0x7FFFFFFF},
        {"80000000", std::int32_t(0x80000000u)}, {"FFFFFFFF", -1},
        {"123456789", 0x23456789},  // only the last eight characters count
        {"F00000001", 1},
    };
    for (const TCase& c : cases) EXPECT_EQ(TScriptRunner::HexToInt(c.Text), c.Value) << c.Text;
}
