// CONNECT and CREATE DATABASE over a remote attachment to the private server,
// where user and password are really checked.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using runnertest::TChecker;

namespace {

class CommandsServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testenv::NewDataDir("commands-server");
        Password = testenv::SysdbaPassword();
        Owner = std::make_unique<TComponent>();
        SC = new TScriptRunner(Owner.get());
    }
    void TearDown() override { Owner.reset(); }

    void Run(std::vector<std::string> lines)
    {
        SC->SetScript(TLineList(std::move(lines)));
        SC->ExecuteScript(1);
    }

    std::string Dir, Password;
    std::unique_ptr<TComponent> Owner;
    TScriptRunner* SC = nullptr;
};

}  // namespace

TEST_F(CommandsServerTest, ConnectInLowerCaseWithPasswordBeforeUser)
{
    const std::string remote = testenv::RemoteName(Dir + "/a.fdb");
    runnertest::CreateDatabase(remote, Password);
    TChecker(remote, Password).Exec({"CREATE TABLE T (A INTEGER)"});

    bool connected = false;
    SC->BeforeStatementExecute = [&](TScriptRunner* sender, std::int32_t, std::int32_t no, const TStatementDesc&,
                                     TLineList*) {
        if (no == 2) connected = sender->Database() && sender->Database()->Connected();
    };
    Run({"connect '" + remote + "' password '" + Password + "' user 'SYSDBA';", "insert into T values (1);"});
    EXPECT_TRUE(connected);
    EXPECT_EQ(SC->Database(), nullptr) << "own connection released";
    EXPECT_EQ(TChecker(remote, Password).Scalar("SELECT COUNT(*) FROM T"), "1") << "and committed";
}

TEST_F(CommandsServerTest, LoginFailuresGoToTheHandler)
{
    const std::string remote = testenv::RemoteName(Dir + "/b.fdb");
    runnertest::CreateDatabase(remote, Password);
    struct TCase {
        const char* What;
        std::string Statement;
    };
    const TCase cases[] = {
        {"wrong password", "CONNECT '" + remote + "' USER 'SYSDBA' PASSWORD 'wrong';"},
        {"no user or password item at all", "CONNECT '" + remote + "';"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        int calls = 0;
        bool rollBackOnEntry = true;
        SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                                 const std::string&, bool& doRollBack, bool&) {
            ++calls;
            rollBackOnEntry = doRollBack;
        };
        Run({c.Statement, "SET NAMES X;"});
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(rollBackOnEntry);
        EXPECT_TRUE(SC->StopRequested());
        EXPECT_EQ(SC->NamesCharSet(), "") << "the run stopped after the failing statement";
    }
}

TEST_F(CommandsServerTest, CreateDatabaseSendsItsUserAndPasswordClauses)
{
    const std::string path = Dir + "/created.fdb";
    const std::string remote = testenv::RemoteName(path);

    // The server refuses a wrong password: the clause really reaches it.
    bool refused = false;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) { refused = true; };
    Run({"CREATE DATABASE '" + remote + "' USER 'SYSDBA' PASSWORD 'wrong' PAGE_SIZE 8192;"});
    EXPECT_TRUE(refused);
    EXPECT_FALSE(std::filesystem::exists(path));
    SC->OnExecuteError = nullptr;

    bool forcedWrites = true;
    SC->BeforeStatementExecute = [&](TScriptRunner* sender, std::int32_t, std::int32_t no, const TStatementDesc&,
                                     TLineList*) {
        if (no == 2) forcedWrites = sender->Database()->ForcedWrites();
    };
    Run({"create database \"" + remote + "\" user 'SYSDBA' password '" + Password + "' page_size 8192;",
         "CREATE TABLE T (A INTEGER);"});
    EXPECT_FALSE(forcedWrites) << "reopened with forced writes off";
    EXPECT_TRUE(SC->ForcedWritesOff());

    TChecker checker(remote, Password);
    EXPECT_TRUE(checker.Db().ForcedWrites()) << "on again after the run";
    EXPECT_EQ(checker.Scalar("SELECT MON$PAGE_SIZE FROM MON$DATABASE"), "8192");
    EXPECT_EQ(checker.Scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T'"), "1");
}
