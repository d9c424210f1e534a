// The repair window's case over a remote attachment: the connection the
// window opens reaches the database through the private server.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(RunnerServerTest, RepairScriptOverTheServer)
{
    const std::string name = testenv::RemoteName(testenv::NewDataDir("runner-remote") + "/repair.fdb");
    const std::string password = testenv::SysdbaPassword();
    runnertest::CreateDatabase(name, password);
    runnertest::TChecker checker(name, password);
    runnertest::CreateRepairTables(checker);

    auto window = std::make_unique<TComponent>();
    auto* CON = new TDatabase(window.get());
    auto* TR = new TTransaction(window.get());
    CON->SetDefaultTransaction(TR);
    auto* SC = new TScriptRunner(window.get());
    SC->SetDatabase(CON);
    SC->SetScript(TLineList(runnertest::kRepairScript));
    runnertest::Login(*CON, name, password);
    CON->Open();

    SC->ExecuteScript(1);
    EXPECT_FALSE(SC->EffectiveTransaction()->Active());
    EXPECT_FALSE(TR->Active()) << "the connection's own default transaction is never used";
    EXPECT_TRUE(CON->Connected());
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'"), "1");

    // The trigger works: an attachment in a year after the base year writes
    // the balance (NULL cost stays NULL, NULL stock becomes 0) and records
    // the year.
    checker.Exec({"INSERT INTO PADRAO VALUES (2015)",
                  "INSERT INTO PRODUTOS VALUES ('P1', 1.50, NULL)",
                  "INSERT INTO PRODUTOS VALUES ('P2', NULL, 2.000)"});
    {
        TDatabase fresh;
        runnertest::Login(fresh, name, password);
        fresh.Open();
    }
    EXPECT_EQ(checker.Rows("SELECT CODIGOPRODUTO, PRECOCUSTO, ESTOQUE FROM BALANCETEANUAL ORDER BY 1"),
              (std::vector<std::string>{"P1|1.50|0.000", "P2|<null>|2.000"}));
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM PADRAO WHERE ULTIMOANOBASEESTOQUE = EXTRACT(YEAR FROM CURRENT_DATE)"),
              "1");

    // Running the repair again succeeds like the first time.
    SC->ExecuteScript(1);
    EXPECT_FALSE(SC->EffectiveTransaction()->Active());
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'"), "1");
}

TEST(RunnerServerTest, FailureWithoutHandlerLeavesTheWindowsConnectionUsable)
{
    const std::string name = testenv::RemoteName(testenv::NewDataDir("runner-remote") + "/fail.fdb");
    const std::string password = testenv::SysdbaPassword();
    runnertest::CreateDatabase(name, password);

    auto window = std::make_unique<TComponent>();
    auto* CON = new TDatabase(window.get());
    auto* SC = new TScriptRunner(window.get());
    SC->SetDatabase(CON);
    runnertest::Login(*CON, name, password);
    CON->Open();
    // The repair script on a database without the business tables fails in
    // the server; the error leaves the run, the transaction stays active and
    // the connection attached, and the next press can try again.
    SC->SetScript(TLineList(runnertest::kRepairScript));
    EXPECT_THROW(SC->ExecuteScript(1), EDbServerError);
    EXPECT_TRUE(SC->EffectiveTransaction()->Active());
    EXPECT_TRUE(CON->Connected());

    CON->Close();  // the next press closes first
    EXPECT_FALSE(SC->EffectiveTransaction()->Active());
    runnertest::TChecker checker(name, password);
    runnertest::CreateRepairTables(checker);
    CON->Open();
    SC->ExecuteScript(1);
    EXPECT_FALSE(SC->EffectiveTransaction()->Active());
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'"), "1");
}

}  // namespace
