// The access layer against the private Firebird server over TCP.
#include "DbTestSupport.h"
#include "TestEnv.h"
#include "base/Component.h"
#include "dbaccess/DbError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using dbtest::Column;
using dbtest::CreateAndAttach;
using dbtest::RunCommitted;

class Server : public testing::Test {
protected:
    void SetUp() override
    {
        FPath = testenv::NewDataDir("dbaccess-server") + "/server.fdb";
        TDatabase db;
        CreateAndAttach(db, testenv::RemoteName(FPath), testenv::SysdbaPassword());
        RunCommitted(db, {"create table log_in (n int)"});
        RunCommitted(db, {"create trigger on_connect on connect as begin insert into log_in values (1); end"});
    }
    // The repair connection's settings, with a password of our choice. The
    // private server, rooted in a folder of its own, finds none of the
    // character sets of its intl module, so UTF8 (built in) stands in for
    // ISO8859_1.
    void Configure(TDatabase& db, const std::string& password, const std::string& charSet = "UTF8")
    {
        db.SetLibraryName(testenv::ClientLibrary());
        db.SetDBName(testenv::RemoteName(FPath));
        db.DBParams().Assign(std::vector<std::string>{"password=" + password, "user_name=SYSDBA",
                                                      "lc_ctype=" + charSet, "isc_dpb_no_db_triggers"});
        if (charSet.empty()) db.ConnectParams().SetCharSet("");
    }
    std::string FPath;
};

TEST_F(Server, WrongPasswordIsRefusedWithTheServersTextAndTheRightOneAttaches)
{
    TComponent form;
    form.SetName("Form");
    auto* con = new TDatabase(&form);
    con->SetName("CON");
    Configure(*con, "gorbun");
    try {
        con->Open();
        FAIL() << "wrong password accepted";
    } catch (const EDbServerError& e) {
        EXPECT_EQ(e.Message(),
                  "Form.CON:\r\n"
                  "Unsuccessful execution caused by a system error that precludes successful execution of "
                  "subsequent statements.\r\n"
                  "Your user name and password are not defined. Ask your database administrator to set up a "
                  "Firebird login.\r\n");
        EXPECT_EQ(e.SQLCode, -902);
        EXPECT_EQ(e.GDSCode, 335544472L);  // isc_login
        ASSERT_GE(e.Status.size(), 2u);
        EXPECT_EQ(e.Status[1], 335544472L);
    }
    EXPECT_FALSE(con->Connected());
    con->Close();  // closing what is not open does nothing
    con->ConnectParams().SetPassword(testenv::SysdbaPassword());
    EXPECT_EQ(con->DBParams()[0], "password=" + testenv::SysdbaPassword());
    con->Open();
    EXPECT_TRUE(con->Connected());
    EXPECT_EQ(con->AttachmentCharSet(), 4);  // UTF8
    EXPECT_NE(con->FirebirdVersion().find("Firebird 3"), std::string::npos);
}

TEST_F(Server, NoDbTriggersItemSuppressesTheConnectTrigger)
{
    TDatabase db;
    Configure(db, testenv::SysdbaPassword());
    db.Open();  // with no_db_triggers
    EXPECT_EQ(Column(db, "select count(*) from log_in"), "0");
    db.Close();
    db.ConnectParams().IsFirebird = false;  // the item is left out
    db.Open();
    EXPECT_EQ(Column(db, "select count(*) from log_in"), "1");
}

TEST_F(Server, FailedStatementTextNamesTheOwners)
{
    TComponent form;
    form.SetName("Form");
    auto* con = new TDatabase(&form);
    con->SetName("CON");
    auto* sc = new TComponent(&form);
    sc->SetName("SC");
    auto* tr = new TTransaction(sc);  // unnamed, like the runner's own
    auto* q = new TQuery(sc);
    Configure(*con, testenv::SysdbaPassword());
    tr->SetDefaultDatabase(con);
    q->SetDatabase(con);
    q->SetTransaction(tr);
    con->Open();
    tr->StartTransaction();

    struct Case {
        const char* sql;
        std::string message;
        int sqlCode;
    } cases[] = {
        {"select * from no_such_table",
         "Form.SC:\r\nUndefined name.\r\nDynamic SQL Error.\r\nSQL error code = -204.\r\nTable unknown.\r\n"
         "NO_SUCH_TABLE.\r\nAt line 1, column 15.\r\n",
         -204},
        {"insert into no_such_table values (1)",  // executed without preparing
         "Form.SC:\r\nUndefined name.\r\nDynamic SQL Error.\r\nSQL error code = -204.\r\nTable unknown.\r\n"
         "NO_SUCH_TABLE.\r\nAt line 1, column 13.\r\n",
         -204},
        // The text for the code already ends in ".": it still ends its line.
        {"create table log_in (n int)",
         "Form.SC:\r\nThis operation is not defined for system tables.\r\nUnsuccessful metadata update.\r\n"
         "CREATE TABLE LOG_IN failed.\r\nTable LOG_IN already exists.\r\n",
         -607},
    };
    for (const Case& c : cases) {
        q->SetSQL(std::string(c.sql));
        try {
            q->ExecQuery();
            ADD_FAILURE() << "accepted: " << c.sql;
        } catch (const EDbServerError& e) {
            EXPECT_EQ(e.Message(), c.message) << c.sql;
            EXPECT_EQ(e.SQLCode, c.sqlCode) << c.sql;
        }
        EXPECT_TRUE(tr->Active());
    }
}

TEST_F(Server, CreateAndDropOverTheServer)
{
    const std::string path = testenv::NewDataDir("dbaccess-server") + "/dropme.fdb";
    TDatabase db;
    CreateAndAttach(db, testenv::RemoteName(path), testenv::SysdbaPassword(), 1);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(db.SQLDialect(), 1);
    db.DropDatabase();
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(Server, RowsThroughTheNetwork)
{
    TDatabase db;
    Configure(db, testenv::SysdbaPassword(), "");  // NONE: bytes pass unchanged
    db.Open();
    RunCommitted(db, {"create table t (id int, s varchar(10), b blob)"});
    TTransaction tr;
    tr.SetDefaultDatabase(&db);
    TQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    tr.StartTransaction();
    q.SetSQL("insert into t values (:id, :s, :b)");
    q.SetParamString(0, "1");
    q.SetParamString(1, "\xe1gua");  // Windows-1252 bytes
    q.SetParamBlob(2, std::string(70000, '\0') + "end");
    q.ExecQuery();
    q.ExecuteBatch({"insert into t (id) values (2)", "insert into t (id) values (3)"});
    tr.Commit();
    EXPECT_EQ(Column(db, "select s from t where id = 1"), "\xe1gua");
    EXPECT_EQ(Column(db, "select b from t where id = 1"), std::string(70000, '\0') + "end");
    EXPECT_EQ(Column(db, "select list(id) from (select id from t order by id)"), "1,2,3");
}

}  // namespace
