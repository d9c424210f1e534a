// What a run leaves behind: the clean-up at its end (own connection,
// forced writes) and which script settings carry over to the next run.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using runnertest::TChecker;

namespace {

const std::string kPassword = "masterkey";

std::string Login(const std::string& path)
{
    return "'" + path + "' USER 'SYSDBA' PASSWORD '" + kPassword + "'";
}

class RunnerEndOfRunTest : public ::testing::Test {
protected:
    void SetUp() override { Dir = testenv::NewDataDir("runner-end"); }

    std::string NewDatabase(const std::string& file, bool withTable)
    {
        const std::string path = Dir + "/" + file;
        runnertest::CreateDatabase(path, kPassword);
        if (withTable) TChecker(path, kPassword).Exec({"CREATE TABLE T (ID INTEGER)"});
        return path;
    }

    std::string Dir;
};

TEST_F(RunnerEndOfRunTest, OwnConnectionIsCommittedAndReleasedHoweverTheRunEnds)
{
    const std::string path = NewDatabase("own.fdb", true);
    struct TCase {
        const char* Name;
        std::vector<std::string> Script;
        bool Fails;
        std::string Rows;  // committed afterwards
    };
    const TCase cases[] = {
        {"normal end", {"CONNECT " + Login(path) + ";", "INSERT INTO T VALUES (1);"}, false, "1"},
        {"unhandled failure",
         {"CONNECT " + Login(path) + ";", "INSERT INTO T VALUES (2);", "INSERT INTO NOSUCH VALUES (0);",
          "INSERT INTO T VALUES (3);"},
         true, "2"},
    };
    TChecker checker(path, kPassword);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        checker.Exec({"DELETE FROM T"});
        TScriptRunner runner;
        runner.SetScript(TLineList(c.Script));
        bool ownSeen = false;
        runner.AfterStatementExecute = [&](TScriptRunner* s, std::int32_t, std::int32_t, const TStatementDesc&,
                                           TLineList*) {
            ownSeen = s->Database() && s->Database()->Owner() == s && s->OwnDatabase();
        };
        if (c.Fails)
            EXPECT_THROW(runner.ExecuteScript(1), EDbError);
        else
            runner.ExecuteScript(1);
        EXPECT_TRUE(ownSeen) << "the script's CONNECT gave the runner a connection of its own";
        EXPECT_EQ(runner.Database(), nullptr);
        EXPECT_FALSE(runner.OwnDatabase());
        EXPECT_EQ(runner.ComponentCount(), 2) << "the own connection is destroyed";
        EXPECT_FALSE(runner.EffectiveTransaction()->Active());
        EXPECT_EQ(checker.Scalar("SELECT LIST(ID) FROM T"), c.Rows);
    }
}

TEST_F(RunnerEndOfRunTest, ForcedWritesComeBackOnAfterACreatedDatabase)
{
    const std::string path = Dir + "/created.fdb";
    TScriptRunner runner;
    bool forcedDuringRun = true;
    runner.AfterStatementExecute = [&](TScriptRunner* s, std::int32_t, std::int32_t no, const TStatementDesc&,
                                       TLineList*) {
        if (no == 2) forcedDuringRun = s->Database()->ForcedWrites();
    };
    // The rows are never committed by the script: the end of a run on its own
    // connection commits them, also across the reconnect that restores forced
    // writes.
    runner.SetScript(TLineList({"CREATE DATABASE " + Login(path) + ";", "CREATE TABLE T (ID INTEGER);",
                                "INSERT INTO T VALUES (1);", "INSERT INTO T VALUES (2);"}));
    runner.ExecuteScript(1);
    ASSERT_TRUE(runner.ForcedWritesOff()) << "the new database was reopened with forced writes off";
    EXPECT_FALSE(forcedDuringRun);
    EXPECT_EQ(runner.Database(), nullptr);

    TChecker checker(path, kPassword);
    EXPECT_TRUE(checker.Db().ForcedWrites());
    EXPECT_EQ(checker.Scalar("SELECT LIST(ID) FROM (SELECT ID FROM T ORDER BY ID)"), "1,2");
}

TEST_F(RunnerEndOfRunTest, ForcedWritesRestoreOnASuppliedConnection)
{
    // Once set, every later run reconnects the supplied connection with
    // forced writes on.
    const std::string created = Dir + "/supplied.fdb";
    TComponent window;
    auto* CON = new TDatabase(&window);
    auto* SC = new TScriptRunner(&window);
    SC->SetDatabase(CON);
    SC->SetScript(TLineList({"CREATE DATABASE " + Login(created) + ";"}));
    SC->ExecuteScript(1);
    ASSERT_TRUE(SC->ForcedWritesOff());
    EXPECT_EQ(SC->Database(), CON);
    EXPECT_TRUE(CON->Connected());
    EXPECT_EQ(CON->DBParams().Value("force_write"), "1");
    EXPECT_TRUE(CON->ForcedWrites());
}

TEST_F(RunnerEndOfRunTest, SettingsThatCarryOverAndThoseThatDoNot)
{
    const std::string path = NewDatabase("settings.fdb", true);
    TComponent window;
    auto* CON = new TDatabase(&window);
    runnertest::Login(*CON, path, kPassword);
    CON->Open();
    auto* SC = new TScriptRunner(&window);
    SC->SetDatabase(CON);

    SC->SetScript(TLineList({"SET AUTODDL OFF;", "SET SQL DIALECT 1;", "SET NAMES win1252;",
                             "SET CLIENTLIB 'libother.so';", "CREATE TABLE U (ID INTEGER);"}));
    SC->ExecuteScript(1);
    EXPECT_FALSE(SC->AutoDDL());
    EXPECT_EQ(SC->ScriptDialect(), 1);
    EXPECT_EQ(SC->NamesCharSet(), "win1252");
    EXPECT_EQ(SC->ClientLib(), "libother.so");
    EXPECT_TRUE(SC->EffectiveTransaction()->Active()) << "AutoDDL off: the table is not committed";
    SC->EffectiveTransaction()->Rollback();

    // A run of the same text: dialect and names start afresh, AutoDDL off and
    // the client library last.
    SC->ExecuteScript(5);
    EXPECT_FALSE(SC->AutoDDL());
    EXPECT_EQ(SC->ScriptDialect(), 3);
    EXPECT_EQ(SC->NamesCharSet(), "");
    EXPECT_EQ(SC->ClientLib(), "libother.so");
    EXPECT_TRUE(SC->EffectiveTransaction()->Active());
    SC->EffectiveTransaction()->Rollback();

    // A changed script is parsed again, which resets the client library.
    SC->Script().Put(3, "-- no library");
    SC->ExecuteScript(4);
    EXPECT_EQ(SC->ClientLib(), kDefaultClientLibrary);
    SC->EffectiveTransaction()->Rollback();
}

}  // namespace
