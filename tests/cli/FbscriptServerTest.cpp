// fbscript against the private Firebird server on loopback, where logins count.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliSupport.h"

using namespace clitest;

namespace {

class FbscriptServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testenv::NewDataDir("cli-server");
        Path = Dir + "/r.fdb";
        Remote = testenv::RemoteName(Path);
        Password = testenv::SysdbaPassword();
        CreateDatabase(Remote, Password);
    }
    std::string Dir, Path, Remote, Password;
};

TEST_F(FbscriptServer, LogsInWithTheGivenPasswordAndNeverPrintsIt)
{
    WriteFile(Dir + "/s.sql", "CREATE TABLE T (ID INTEGER);\nINSERT INTO T VALUES (1);\n");
    struct TCase {
        const char* Name;
        std::vector<std::string> Login;
        int Status;
        const char* ErrPart;
    };
    const std::vector<TCase> cases = {
        {"Right", {"-u", "SYSDBA", "-p", Password}, 0, "2 statements run, 0 failed"},
        {"Wrong", {"-u", "SYSDBA", "-p", "Wr0ngPassw0rd"}, 3, "cannot connect to"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = {"-d", Remote, "--echo"};
        args.insert(args.end(), c.Login.begin(), c.Login.end());
        args.push_back("s.sql");
        const TRun run = Fbscript(Dir, args);
        EXPECT_EQ(run.Status, c.Status) << run.All();
        EXPECT_TRUE(Contains(run.Err, c.ErrPart)) << run.Err;
        EXPECT_FALSE(Contains(run.All(), c.Login[3])) << run.All();
    }
    EXPECT_EQ(Query(Remote, "SELECT ID FROM T", Password), "1");
}

TEST_F(FbscriptServer, TheScriptsOwnConnectUsesTheGivenLogin)
{
    // The CONNECT names no user or password: -u and -p serve it.
    WriteFile(Dir + "/s.sql", "CONNECT '" + Remote + "';\nCREATE TABLE T (ID INTEGER);\n"
                              "INSERT INTO T VALUES (4);\n");
    WriteFile(Dir + "/pw", Password + "\n");
    const TRun withFile = Fbscript(Dir, {"-u", "SYSDBA", "--password-file", "pw", "s.sql"});
    EXPECT_EQ(withFile.Status, 0) << withFile.All();
    EXPECT_FALSE(Contains(withFile.All(), Password)) << withFile.All();
    // The runner commits the work of a connection the script made itself.
    EXPECT_EQ(Query(Remote, "SELECT ID FROM T", Password), "4");
}

}  // namespace
