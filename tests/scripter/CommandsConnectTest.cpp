// The runner's connection and SET commands against the embedded engine:
// CONNECT, CREATE DATABASE (with the forced-writes reopen), DROP DATABASE,
// DISCONNECT, RECONNECT and SET.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using runnertest::TChecker;

namespace {

const std::string kPassword = "masterkey";

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A runner on its own (no connection assigned) and a spare connection the
// test may hand to it; both belong to one owner, as on the window.
class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testenv::NewDataDir("commands");
        Owner = std::make_unique<TComponent>();
        CON = new TDatabase(Owner.get());
        SC = new TScriptRunner(Owner.get());
    }
    void TearDown() override { Owner.reset(); }

    void Run(std::vector<std::string> lines)
    {
        SC->SetScript(TLineList(std::move(lines)));
        SC->ExecuteScript(1);
    }

    // A database made outside the runner, detached.
    std::string NewDatabase(const std::string& name)
    {
        const std::string path = Dir + "/" + name;
        runnertest::CreateDatabase(path, kPassword);
        return path;
    }

    // Runs `check` in the BeforeStatementExecute of statement `no`.
    void Before(std::int32_t no, std::function<void(TScriptRunner*)> check)
    {
        SC->BeforeStatementExecute = [no, check](TScriptRunner* sender, std::int32_t, std::int32_t n,
                                                 const TStatementDesc&, TLineList*) {
            if (n == no) check(sender);
        };
    }

    std::string Dir;
    std::unique_ptr<TComponent> Owner;
    TDatabase* CON = nullptr;
    TScriptRunner* SC = nullptr;
};

// One OnExecuteError call as the handler saw it.
struct TErrorSeen {
    int Calls = 0;
    std::int32_t StatementNo = 0;
    std::string Msg;
    bool RollBackOnEntry = true;
    bool StopOnEntry = false;
};

void CatchErrors(TScriptRunner& runner, TErrorSeen& seen)
{
    runner.OnExecuteError = [&seen](TScriptRunner*, std::int32_t no, std::int32_t, TLineList*, std::int32_t,
                                    const std::string& msg, bool& doRollBack, bool& stop) {
        ++seen.Calls;
        seen.StatementNo = no;
        seen.Msg = msg;
        seen.RollBackOnEntry = doRollBack;
        seen.StopOnEntry = stop;
    };
}

}  // namespace

// ---------------------------------------------------------------------------
// CONNECT

TEST_F(CommandsTest, ConnectInLowerCaseWithClausesInAnyOrder)
{
    const std::string path = NewDatabase("a.fdb");
    TChecker(path, kPassword).Exec({"CREATE TABLE T (A INTEGER)"});
    bool connected = false;
    std::string user, password;
    Before(2, [&](TScriptRunner* sender) {
        connected = sender->Database() && sender->Database()->Connected();
        user = sender->Database()->ConnectParams().UserName();
        password = sender->Database()->ConnectParams().Password();
    });
    Run({"connect " + Quoted(path) + " password 'masterkey' user 'SYSDBA';", "insert into T values (1);"});

    EXPECT_TRUE(connected);
    EXPECT_EQ(user, "SYSDBA");
    EXPECT_EQ(password, "masterkey");
    // The runner made the connection itself: committed and released at the end.
    EXPECT_EQ(SC->Database(), nullptr);
    EXPECT_FALSE(SC->OwnDatabase());
    EXPECT_EQ(TChecker(path, kPassword).Scalar("SELECT COUNT(*) FROM T"), "1");
}

TEST_F(CommandsTest, ConnectRewritesTheLoginOfAnAssignedConnection)
{
    const std::string path = NewDatabase("b.fdb");
    // Values of an earlier connection do not survive: DBParams is emptied.
    runnertest::Login(*CON, path, kPassword);
    CON->ConnectParams().SetRoleName("OLDROLE");
    CON->ConnectParams().SetCharSet("UTF8");
    SC->SetDatabase(CON);
    Run({"CONNECT " + Quoted(path) + ";"});

    EXPECT_TRUE(CON->Connected());
    EXPECT_EQ(SC->Database(), CON) << "an assigned connection stays";
    EXPECT_EQ(CON->DBParams().Count(), 0) << CON->DBParams().Text();
    EXPECT_EQ(CON->AttachmentCharSet(), 0) << "no SET NAMES: no character set";
}

TEST_F(CommandsTest, SetNamesGivesTheCharacterSetInUpperCase)
{
    const std::string path = NewDatabase("c.fdb");
    SC->SetDatabase(CON);
    Run({"SET NAMES win1252;", "CONNECT " + Quoted(path) + " USER 'SYSDBA' PASSWORD 'masterkey';"});
    EXPECT_EQ(CON->DBParams().Value("lc_ctype"), "WIN1252");
    EXPECT_NE(CON->AttachmentCharSet(), 0);

    // The next run starts without SET NAMES.
    Run({"CONNECT " + Quoted(path) + " USER 'SYSDBA';"});
    EXPECT_EQ(CON->DBParams().IndexOfName("lc_ctype"), -1) << CON->DBParams().Text();
    EXPECT_EQ(CON->AttachmentCharSet(), 0);
}

TEST_F(CommandsTest, UnquotedNameEndsAtTheFirstTextDelimiter)
{
    SC->SetDatabase(CON);
    TErrorSeen seen;
    CatchErrors(*SC, seen);
    // srv:/data/a.fdb is cut at its "/" the same way; a local name keeps
    // the test off the network.
    Run({"CONNECT nofile-x.fdb USER SYSDBA;"});
    EXPECT_EQ(CON->DBName(), "nofile");
    // The attach failure went to the handler, with doRollBack false and Stop true.
    EXPECT_EQ(seen.Calls, 1);
    EXPECT_FALSE(seen.RollBackOnEntry);
    EXPECT_TRUE(seen.StopOnEntry);
    EXPECT_TRUE(SC->StopRequested());

    // In quotes the whole path is taken, "-" and "/" included.
    const std::string path = NewDatabase("with-dash.fdb");
    Run({"CONNECT \"" + path + "\";"});
    EXPECT_EQ(CON->DBName(), path);
    EXPECT_TRUE(CON->Connected());
}

TEST_F(CommandsTest, ConnectFailureWithoutHandlerEndsTheRun)
{
    SC->SetDatabase(CON);
    std::vector<std::int32_t> ran;
    SC->BeforeStatementExecute = [&](TScriptRunner*, std::int32_t, std::int32_t no, const TStatementDesc&,
                                     TLineList*) { ran.push_back(no); };
    SC->SetScript(TLineList({"CONNECT '" + Dir + "/missing.fdb';", "SET NAMES X;"}));
    EXPECT_THROW(SC->ExecuteScript(1), EDbError);
    EXPECT_EQ(ran, std::vector<std::int32_t>{1});
}

TEST_F(CommandsTest, ConnectDialectAboveThreeIsRefusedInsideTheGuard)
{
    const std::string path = NewDatabase("d.fdb");
    SC->SetDatabase(CON);
    TErrorSeen seen;
    CatchErrors(*SC, seen);
    Run({"SET SQL DIALECT 4;", "CONNECT " + Quoted(path) + ";"});
    EXPECT_EQ(seen.Calls, 1);
    EXPECT_EQ(seen.StatementNo, 2);
    EXPECT_FALSE(CON->Connected());
}

// ---------------------------------------------------------------------------
// CREATE DATABASE

TEST_F(CommandsTest, CreateDatabaseSendsTheFileNameInSingleQuotesAndTheOptionLinesAsCut)
{
    // A folder that does not exist makes the creation fail, so the lines
    // prepared for it stay where the test can read them.
    SC->SetDatabase(CON);
    TErrorSeen seen;
    CatchErrors(*SC, seen);
    const std::string path = Dir + "/nowhere/x.fdb";
    Run({"CREATE DATABASE \"" + path + "\" USER 'SYSDBA'", "  PASSWORD 'pw' PAGE_SIZE 8192;"});

    EXPECT_EQ(seen.Calls, 1);
    EXPECT_FALSE(seen.RollBackOnEntry);
    EXPECT_EQ(CON->DBName(), path);
    EXPECT_EQ(CON->DBParams(), TLineList({"USER 'SYSDBA'", "  PASSWORD 'pw' PAGE_SIZE 8192"}));
}

TEST_F(CommandsTest, CreateDatabaseAppliesItsClausesAndReopensWithForcedWritesOff)
{
    const std::string path = Dir + "/created.fdb";
    bool forcedWrites = true, flagged = false;
    TLineList params;
    Before(2, [&](TScriptRunner* sender) {
        forcedWrites = sender->Database()->ForcedWrites();
        flagged = sender->ForcedWritesOff();
        params = sender->Database()->DBParams();
    });
    Run({"CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'masterkey'", "PAGE_SIZE 16384",
         "DEFAULT CHARACTER SET WIN1252;",
         "CREATE TABLE T (A INTEGER);"});

    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(forcedWrites) << "forced writes are off while the script runs";
    EXPECT_TRUE(flagged);
    // The reopen logs in with the statement's clauses; the options are gone.
    EXPECT_EQ(params, TLineList({"user_name=SYSDBA", "password=masterkey", "force_write=0"}));

    TChecker checker(path, kPassword);
    EXPECT_TRUE(checker.Db().ForcedWrites()) << "switched on again at the end of the run";
    EXPECT_EQ(checker.Scalar("SELECT MON$PAGE_SIZE FROM MON$DATABASE"), "16384");
    EXPECT_EQ(runnertest::WithoutCR(checker.Scalar("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE")),
              "WIN1252");
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T'"), "1");
    EXPECT_EQ(SC->Database(), nullptr) << "the runner's own connection is released";
}

TEST_F(CommandsTest, SqlDialectOneCreatesADialectOneDatabaseForThisRunOnly)
{
    const std::string first = Dir + "/d1.fdb", second = Dir + "/d3.fdb";
    Run({"SET SQL DIALECT 1;", "CREATE DATABASE '" + first + "' USER 'SYSDBA';"});
    EXPECT_EQ(SC->ScriptDialect(), 1);
    Run({"CREATE DATABASE '" + second + "' USER 'SYSDBA';"});
    EXPECT_EQ(SC->ScriptDialect(), 3);

    for (const auto& [path, dialect] : {std::pair{first, 1}, std::pair{second, 3}}) {
        TChecker checker(path, kPassword);
        EXPECT_EQ(checker.Db().DatabaseSQLDialect(), dialect) << path;
    }
}

TEST_F(CommandsTest, CreateDatabaseFailureWithHandlerStopsTheRun)
{
    const std::string path = NewDatabase("exists.fdb");
    TErrorSeen seen;
    CatchErrors(*SC, seen);
    std::vector<std::int32_t> ran;
    SC->BeforeStatementExecute = [&](TScriptRunner*, std::int32_t, std::int32_t no, const TStatementDesc&,
                                     TLineList*) { ran.push_back(no); };
    Run({"CREATE DATABASE '" + path + "';", "SET NAMES X;"});
    EXPECT_EQ(seen.Calls, 1) << "the file is already there";
    EXPECT_EQ(ran, std::vector<std::int32_t>{1});
}

// ---------------------------------------------------------------------------
// DROP DATABASE, DISCONNECT, RECONNECT

TEST_F(CommandsTest, DropDatabaseReadsTheTwoPlacesAfterTheFileName)
{
    struct TCase {
        const char* Clauses;
        const char* User;      // ConnectParams after the drop
        const char* Password;
    };
    // The connection is set up with SYSDBA; a clause that is looked at
    // replaces it, one behind a ROLE clause is not looked at.
    const TCase cases[] = {
        {"PASSWORD 'masterkey' USER 'SYSDBA'", "SYSDBA", "masterkey"},
        {"USER 'sysdba' PASSWORD 'pw2'", "sysdba", "pw2"},
        {"ROLE 'R' USER 'BOB'", "SYSDBA", "preset"},
        {"", "SYSDBA", "preset"},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Clauses);
        const std::string path = NewDatabase("drop" + std::to_string(n++) + ".fdb");
        CON->DBParams().Clear();
        CON->ConnectParams().SetUserName("SYSDBA");
        CON->ConnectParams().SetPassword("preset");
        SC->SetDatabase(CON);
        Run({"DROP DATABASE '" + path + "' " + c.Clauses + ";"});
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(CON->Connected());
        EXPECT_EQ(CON->DBName(), path) << "still names the dropped file";
        EXPECT_EQ(CON->ConnectParams().UserName(), c.User);
        EXPECT_EQ(CON->ConnectParams().Password(), c.Password);
    }
}

TEST_F(CommandsTest, DisconnectWithoutAConnectionDoesNothing)
{
    EXPECT_NO_THROW(Run({"DISCONNECT;", "RECONNECT;"}));
    EXPECT_EQ(SC->Database(), nullptr);

    const std::string path = NewDatabase("e.fdb");
    runnertest::Login(*CON, path, kPassword);
    CON->Open();
    SC->SetDatabase(CON);
    Run({"DISCONNECT WHATEVER;"});
    EXPECT_FALSE(CON->Connected());
}

TEST_F(CommandsTest, ReconnectCommitsPendingWork)
{
    const std::string path = NewDatabase("f.fdb");
    TChecker checker(path, kPassword);
    checker.Exec({"CREATE TABLE T (A INTEGER)"});
    runnertest::Login(*CON, path, kPassword);
    CON->Open();
    SC->SetDatabase(CON);
    Run({"INSERT INTO T VALUES (1);", "RECONNECT;", "ROLLBACK;"});
    EXPECT_TRUE(CON->Connected());
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM T"), "1");
}

// ---------------------------------------------------------------------------
// SET

TEST_F(CommandsTest, SetAutoDDLOffOutlivesTheRun)
{
    const std::string path = NewDatabase("g.fdb");
    runnertest::Login(*CON, path, kPassword);
    CON->Open();
    SC->SetDatabase(CON);
    Run({"SET AUTODDL OFF;"});
    EXPECT_FALSE(SC->AutoDDL());
    Run({"CREATE TABLE T (A INTEGER);"});
    EXPECT_TRUE(SC->EffectiveTransaction()->Active()) << "not committed";
    Run({"ROLLBACK;", "set autoddl on;"});
    EXPECT_TRUE(SC->AutoDDL());
}

TEST_F(CommandsTest, SetCommandsAndTheirValues)
{
    Run({"SET CLIENTLIB 'libfbclient.so.2';", "SET NAMES \"iso8859_1\";", "SET SQL DIALECT 1;",
         "SET BLOBFILE '/tmp/b.bin';"});
    EXPECT_EQ(SC->ClientLib(), "libfbclient.so.2");
    EXPECT_EQ(SC->NamesCharSet(), "iso8859_1") << "kept as written; CONNECT upper-cases it";
    EXPECT_EQ(SC->ScriptDialect(), 1);
    EXPECT_EQ(SC->BlobFileName(), "/tmp/b.bin");

    // Unknown settings, missing values and other words do nothing.
    Run({"SET WHATEVER 1;", "SET NAMES;", "SET AUTODDL MAYBE;", "SET SQL CHARSET 1;", "SET SQL DIALECT;"});
    EXPECT_TRUE(SC->AutoDDL());
    EXPECT_EQ(SC->ScriptDialect(), 3);
    EXPECT_EQ(SC->NamesCharSet(), "");
    EXPECT_EQ(SC->BlobFileName(), "/tmp/b.bin") << "outlives the run";
}

TEST_F(CommandsTest, SetSqlDialectNeedsAnInteger)
{
    SC->SetScript(TLineList({"SET SQL DIALECT x;"}));
    try {
        SC->ExecuteScript(1);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
    }
}

TEST_F(CommandsTest, ValuesNeverTakeInTheTerminator)
{
    // "^" is no text delimiter: without care the word would read "WIN1252^".
    Run({"SET TERM ^ ;", "SET NAMES WIN1252^", "SET CLIENTLIB libx.so^", "SET TERM ; ^"});
    EXPECT_EQ(SC->NamesCharSet(), "WIN1252");
    EXPECT_EQ(SC->ClientLib(), "libx.so");
}

// ---------------------------------------------------------------------------
// Statements missing a word their syntax requires

TEST_F(CommandsTest, MissingRequiredWordsFailNamingTheCommand)
{
    struct TCase {
        std::string Statement;
        std::string Message;
    };
    const TCase cases[] = {
        {"CONNECT;", "CONNECT: the database name is missing"},
        {"CONNECT 'x.fdb' USER;", "CONNECT: the value of USER is missing"},
        {"CONNECT 'x.fdb' USER 'A' ROLE;", "CONNECT: the value of ROLE is missing"},
        {"CREATE DATABASE;", "CREATE DATABASE: the file name is missing"},
        {"DROP DATABASE;", "DROP DATABASE: the file name is missing"},
        {"DROP DATABASE 'x.fdb' USER;", "DROP DATABASE: the value of USER is missing"},
        {"INPUT;", "INPUT: the file name is missing"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Statement);
        // Whatever follows on the next line is not taken for the missing word.
        SC->SetScript(TLineList({c.Statement, "'next.fdb';"}));
        try {
            SC->ExecuteScript(1);
            ADD_FAILURE() << "no error";
        } catch (const EDbError& e) {
            ADD_FAILURE() << "reached the access layer: " << e.Message();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
        EXPECT_EQ(SC->Database(), nullptr) << "nothing was created";
    }
}
