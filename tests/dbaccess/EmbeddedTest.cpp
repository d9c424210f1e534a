// The access layer against real databases of the embedded engine.
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

class Embedded : public testing::Test {
protected:
    std::string File(const std::string& name) { return FDir + "/" + name; }
    std::string FDir = testenv::NewDataDir("dbaccess");
};

template <typename F>
std::string ErrorOf(F f)
{
    try {
        f();
    } catch (const EDbError& e) {
        return e.Message();
    }
    return "(no error)";
}

TEST_F(Embedded, CreateAttachAndDrop)
{
    const std::string file = File("created.fdb");
    TDatabase db;
    CreateAndAttach(db, file);
    EXPECT_TRUE(db.Connected());
    EXPECT_TRUE(fs::exists(file));
    db.DropDatabase();
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(Embedded, CreateDatabaseTakesANameWithAQuote)
{
    const std::string file = File("it's.fdb");
    TDatabase db;
    CreateAndAttach(db, file);
    EXPECT_TRUE(fs::exists(file));
    db.DropDatabase();
}

TEST_F(Embedded, CreateDatabaseRefusals)
{
    TDatabase db;
    db.SetLibraryName(testenv::ClientLibrary());
    EXPECT_EQ(ErrorOf([&] { db.CreateDatabase(); }), "Database name is missing.");
    db.SetDBName(File("bad.fdb"));
    db.DBParams().Assign(std::vector<std::string>{"USER 'SYSDBA' PASSWORD 'x' NO_SUCH_OPTION 1"});
    const std::string message = ErrorOf([&] { db.CreateDatabase(); });
    EXPECT_NE(message.find("Token unknown"), std::string::npos) << message;
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(fs::exists(File("bad.fdb")));
}

TEST_F(Embedded, DialectOfTheDatabaseLowersSQLDialect)
{
    struct Case {
        int createdWith;
        int askedFor;
        int result;
    } cases[] = {{1, 3, 1}, {3, 3, 3}, {3, 1, 1}};
    for (const Case& c : cases) {
        TDatabase db;
        CreateAndAttach(db, File("d" + std::to_string(c.createdWith) + std::to_string(c.askedFor) + ".fdb"), "x",
                        c.createdWith);
        EXPECT_EQ(db.DatabaseSQLDialect(), c.createdWith);
        db.Close();
        db.SetSQLDialect(c.askedFor);
        db.Open();
        EXPECT_EQ(db.SQLDialect(), c.result) << c.createdWith << " " << c.askedFor;
        db.DropDatabase();
    }
}

TEST_F(Embedded, ClosingEndsActiveTransactionsAsTheirTimeoutActionSays)
{
    struct Case {
        TTransactionAction action;
        const char* rowsAfter;
    } cases[] = {
        {TTransactionAction::TARollback, "0"},
        {TTransactionAction::TARollbackRetaining, "0"},
        {TTransactionAction::TACommit, "1"},
        {TTransactionAction::TACommitRetaining, "1"},
    };
    int n = 0;
    for (const Case& c : cases) {
        TDatabase db;
        CreateAndAttach(db, File("close" + std::to_string(n++) + ".fdb"));
        RunCommitted(db, {"create table t (a int)"});
        TTransaction tr;
        tr.SetDefaultDatabase(&db);
        tr.TimeoutAction = c.action;
        TQuery q;
        q.SetDatabase(&db);
        q.SetTransaction(&tr);
        tr.StartTransaction();
        q.SetSQL("insert into t values (1)");
        q.ExecQuery();
        db.Close();
        EXPECT_FALSE(tr.Active());
        db.Open();
        EXPECT_EQ(Column(db, "select count(*) from t"), c.rowsAfter) << static_cast<int>(c.action);
        db.DropDatabase();
    }
}

TEST_F(Embedded, DestroyedTransactionEndsAsItsTimeoutActionSays)
{
    TDatabase db;
    CreateAndAttach(db, File("destroy.fdb"));
    RunCommitted(db, {"create table t (a int)"});
    for (TTransactionAction action : {TTransactionAction::TARollback, TTransactionAction::TACommit}) {
        auto tr = std::make_unique<TTransaction>();
        tr->SetDefaultDatabase(&db);
        tr->TimeoutAction = action;
        TQuery q;
        q.SetTransaction(tr.get());  // its database comes from the transaction
        tr->StartTransaction();
        q.SetSQL("insert into t values (1)");
        q.ExecQuery();
        tr.reset();
        EXPECT_EQ(q.Transaction(), nullptr);
        EXPECT_EQ(db.Transactions().size(), 0u);
    }
    EXPECT_EQ(Column(db, "select count(*) from t"), "1");
}

TEST_F(Embedded, RefusedWhileAttached)
{
    TDatabase db;
    CreateAndAttach(db, File("open.fdb"));
    const std::vector<std::string> before = db.DBParams().Lines();
    const char* open = "Cannot perform operation -- DB is currently open.";
    EXPECT_EQ(ErrorOf([&] { db.SetDBName(File("other.fdb")); }), open);
    EXPECT_EQ(ErrorOf([&] { db.DBParams().Add("lc_ctype=UTF8"); }), open);
    EXPECT_EQ(ErrorOf([&] { db.DBParams().Clear(); }), open);
    EXPECT_EQ(ErrorOf([&] { db.ConnectParams().SetPassword("y"); }), open);
    EXPECT_EQ(ErrorOf([&] { db.ConnectParams().SetCharSet("UTF8"); }), open);
    EXPECT_EQ(ErrorOf([&] { db.SetLibraryName("other.so"); }), open);
    EXPECT_EQ(ErrorOf([&] { db.CreateDatabase(); }), open);
    EXPECT_EQ(db.DBParams().Lines(), before);
    EXPECT_EQ(db.DBName(), File("open.fdb"));
    db.SetDBName(File("open.fdb"));  // the same name is no change
    db.Open();                       // already attached: nothing
    EXPECT_TRUE(db.Connected());
    db.Close();
    db.SetDBName(File("other.fdb"));
    EXPECT_EQ(db.DBName(), File("other.fdb"));
}

TEST_F(Embedded, MissingLibraryThenAGoodOne)
{
    TDatabase db;
    db.SetDBName(File("lib.fdb"));
    db.SetLibraryName("libnope.so");
    EXPECT_EQ(ErrorOf([&] { db.Open(); }), "Can't load library libnope.so ");
    EXPECT_EQ(ErrorOf([&] { db.Open(); }), "Can't load library libnope.so ");  // tried again, same answer
    EXPECT_FALSE(db.Connected());
    db.SetLibraryName(testenv::ClientLibrary());
    db.DBParams().Assign(std::vector<std::string>{"USER 'SYSDBA' PASSWORD 'x'"});
    db.CreateDatabase();
    EXPECT_TRUE(db.Connected());
    db.DropDatabase();
}

TEST_F(Embedded, LibraryWithoutTheEntryPoints)
{
    TDatabase db;
    db.SetDBName(File("lib.fdb"));
    db.SetLibraryName("libm.so.6");
    const std::string message = ErrorOf([&] { db.Open(); });
    EXPECT_NE(message.find("isc_attach_database"), std::string::npos) << message;
}

TEST_F(Embedded, BadAttachmentsLeaveTheConnectionClosed)
{
    TDatabase db;
    db.SetLibraryName(testenv::ClientLibrary());
    struct Case {
        std::string name;
        std::vector<std::string> params;
        const char* expected;  // part of the message
    } cases[] = {
        {File("missing.fdb"), {"user_name=SYSDBA"}, "No such file or directory"},
        {File("x.fdb"), {"user_name=SYSDBA", "bogus=1"}, "DPB Constant (bogus) is unknown."},
        {File("x.fdb"), {"password=" + std::string(300, 'p')}, "(isc_dpb_password) value is too long"},
        {File(std::string(5000, 'n')), {}, "Database name is too long"},
    };
    for (const Case& c : cases) {
        db.SetDBName(c.name);
        db.DBParams().Assign(c.params);
        const std::string message = ErrorOf([&] { db.Open(); });
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_FALSE(db.Connected());
    }
}

TEST_F(Embedded, DatabaseInformation)
{
    TDatabase db;
    CreateAndAttach(db, File("info.fdb"));
    EXPECT_TRUE(db.IsFirebirdServer());
    EXPECT_NE(db.FirebirdVersion().find("Firebird 3"), std::string::npos) << db.FirebirdVersion();
    EXPECT_EQ(db.ServerMajorVersion(), 3);
    EXPECT_EQ(db.ServerMinorVersion(), 0);
    EXPECT_EQ(db.ODSMajorVersion(), 12);
    EXPECT_GE(db.ODSMinorVersion(), 0);
    EXPECT_FALSE(db.ServerVersion().empty());
    EXPECT_EQ(db.AttachmentCharSet(), 0);  // no lc_ctype: NONE

    struct Case {
        const char* line;
        bool forced;
        const char* charSetLine;
        int charset;
    } cases[] = {{"force_write=0", false, "lc_ctype=UTF8", 4}, {"force_write=1", true, "lc_ctype=ISO8859_1", 21}};
    for (const Case& c : cases) {
        db.Close();
        db.DBParams().Assign(std::vector<std::string>{"user_name=SYSDBA", c.charSetLine, c.line});
        db.Open();
        EXPECT_EQ(db.ForcedWrites(), c.forced) << c.line;
        EXPECT_EQ(db.AttachmentCharSet(), c.charset);
    }
    db.Close();
    EXPECT_THROW(db.ODSMajorVersion(), EDbClientError);
}

class EmbeddedTable : public Embedded {
protected:
    void SetUp() override
    {
        CreateAndAttach(FDb, File("rows.fdb"));
        RunCommitted(FDb, {"create table t (id int, s varchar(20), n numeric(9,2), b blob sub_type 0, tb blob sub_type 1)"});
        FTr.SetDefaultDatabase(&FDb);
        FQ.SetDatabase(&FDb);
        FQ.SetTransaction(&FTr);
        FTr.StartTransaction();
    }
    TDatabase FDb;
    TTransaction FTr;
    TQuery FQ;
};

TEST_F(EmbeddedTable, StringAndNullParameters)
{
    FQ.SetSQL("insert into t (id, s, n) values (:id, :s, ?)");
    ASSERT_EQ(FQ.ParamCount(), 3);
    struct Row {
        const char* id;
        const char* s;  // nullptr: NULL
        const char* n;
    } rows[] = {{"1", "plain", "3.25"}, {"2", nullptr, nullptr}, {"3", "", "-0.5"}, {"4", "caf\xe9 'q'", "1000"}};
    for (const Row& r : rows) {
        FQ.SetParamString(0, r.id);
        if (r.s) FQ.SetParamString(1, r.s);
        else FQ.SetParamNull(1);
        if (r.n) FQ.SetParamString(2, r.n);
        else FQ.SetParamNull(2);
        FQ.ExecQuery();
    }
    FQ.SetSQL("select id, s, n from t order by id");
    FQ.ExecQuery();
    std::string got;
    while (FQ.Next())
        for (int i = 0; i < 3; ++i) got += (FQ.FieldIsNull(i) ? "<null>" : "[" + FQ.FieldAsString(i) + "]") + ";";
    EXPECT_EQ(got, "[1];[plain];[3.25];[2];<null>;<null>;[3];[];[-0.50];[4];[caf\xe9 'q'];[1000.00];");
    EXPECT_EQ(FQ.FieldName(1), "S");
}

TEST_F(EmbeddedTable, BadParameterValueRaisesTheServerError)
{
    FQ.SetSQL("insert into t (id) values (:id)");
    FQ.SetParamString(0, "not a number");
    try {
        FQ.ExecQuery();
        FAIL() << "accepted";
    } catch (const EDbServerError& e) {
        EXPECT_NE(e.Message().find("Conversion error"), std::string::npos) << e.Message();
        EXPECT_NE(e.GDSCode, 0);
    }
}

TEST_F(EmbeddedTable, BlobParameterRoundTrip)
{
    std::string bytes("\0a\0\xff\r\n", 6);
    std::string big;
    for (int i = 0; i < 100000; ++i) big += static_cast<char>(i * 7);
    struct Case {
        const char* what;
        std::string value;
        bool asBlob;
    } cases[] = {
        {"bytes with NUL", bytes, true},
        {"more than one segment", big, true},
        {"empty blob", "", true},
        {"string into a blob column", "text value", false},
    };
    int id = 0;
    for (const Case& c : cases) {
        ++id;
        FQ.SetSQL("insert into t (id, b) values (" + std::to_string(id) + ", :H0_1)");
        if (c.asBlob) FQ.SetParamBlob(0, c.value);
        else FQ.SetParamString(0, c.value);
        FQ.ExecQuery();
        FQ.SetSQL("select b from t where id = " + std::to_string(id));
        FQ.ExecQuery();
        ASSERT_TRUE(FQ.Next()) << c.what;
        EXPECT_EQ(FQ.FieldAsString(0), c.value) << c.what;
        FQ.Close();
    }
}

TEST_F(EmbeddedTable, SelectLeavesItsResultOpen)
{
    FQ.SetSQL("insert into t (id) values (1)");
    FQ.ExecQuery();
    EXPECT_FALSE(FQ.Open());
    FQ.SetSQL("insert into t (id) values (2)");
    FQ.ExecQuery();
    FQ.SetSQL("select id from t order by id");
    for (int round = 0; round < 2; ++round) {
        FQ.ExecQuery();
        EXPECT_TRUE(FQ.Open());
        ASSERT_EQ(FQ.FieldCount(), 1);
        std::string ids;
        while (FQ.Next()) ids += FQ.FieldAsString(0);
        EXPECT_EQ(ids, "12");
        EXPECT_TRUE(FQ.Open());  // until closed
        FQ.Close();
        EXPECT_FALSE(FQ.Open());
    }
    FQ.ExecQuery();
    FQ.ExecQuery();  // executing again closes the old result first
    EXPECT_TRUE(FQ.Next());
    FTr.Commit();  // the end of the transaction closes it
    EXPECT_FALSE(FQ.Open());
    EXPECT_THROW(FQ.Next(), EDbClientError);
}

TEST_F(EmbeddedTable, OutputValuesOfAStatementAreItsOneRow)
{
    FQ.SetSQL("insert into t (id, s) values (5, 'x') returning id, s");
    FQ.ExecQuery();
    EXPECT_TRUE(FQ.Open());
    ASSERT_TRUE(FQ.Next());
    EXPECT_EQ(FQ.FieldAsString(0) + FQ.FieldAsString(1), "5x");
    EXPECT_FALSE(FQ.Next());
    FQ.SetSQL("execute block returns (r int) as begin r = 1; suspend; r = 2; suspend; end");
    FQ.ExecQuery();
    std::string rs;
    while (FQ.Next()) rs += FQ.FieldAsString(0);
    EXPECT_EQ(rs, "12");
}

TEST_F(EmbeddedTable, ExecuteBlockVariablesAreNotParameters)
{
    FQ.SetSQL("execute block (p int = :p) returns (r int) as declare v int; begin v = :p * 2; r = :v; suspend; end");
    ASSERT_EQ(FQ.ParamCount(), 1);
    FQ.SetParamString(0, "21");
    FQ.ExecQuery();
    ASSERT_TRUE(FQ.Next());
    EXPECT_EQ(FQ.FieldAsString(0), "42");
}

TEST_F(EmbeddedTable, FieldTypesAsText)
{
    FQ.SetSQL(
        "select cast(1.5 as double precision), cast(-7 as smallint), cast(123456789012 as bigint), "
        "cast('2024-02-29' as date), cast('13:45:10.5' as time), cast('1858-11-17 00:00:01' as timestamp), "
        "true, cast(null as int), cast('abc' as char(5)), cast(0.05 as numeric(18,4)) from rdb$database");
    FQ.ExecQuery();
    ASSERT_TRUE(FQ.Next());
    std::vector<std::string> got;
    for (int i = 0; i < FQ.FieldCount(); ++i) got.push_back(FQ.FieldIsNull(i) ? "<null>" : FQ.FieldAsString(i));
    EXPECT_EQ(got, (std::vector<std::string>{"1.5", "-7", "123456789012", "2024-02-29", "13:45:10.5000",
                                             "1858-11-17 00:00:01.0000", "TRUE", "<null>", "abc  ", "0.0500"}));
}

TEST_F(EmbeddedTable, DataDefinitionWithColonsRunsUnchanged)
{
    FQ.SetSQL(TLineList{"create procedure p (a int) returns (b int) as", "begin", "  b = :a + 1;", "  suspend;",
                        "end"});
    EXPECT_TRUE(FQ.IsDDL());
    EXPECT_EQ(FQ.ParamCount(), 0);
    FQ.ExecQuery();
    FTr.Commit();
    EXPECT_EQ(Column(FDb, "select b from p(41)"), "42");
}

TEST_F(EmbeddedTable, ExecuteBatchRunsInOrderInTheTransaction)
{
    FQ.ExecuteBatch({});  // nothing to do
    FQ.ExecuteBatch({"insert into t (id) values (1)", "update t set id = id * 10", "insert into t (id) values (2)"});
    FQ.SetSQL("select id from t order by id");
    FQ.ExecQuery();
    std::string ids;
    while (FQ.Next()) ids += FQ.FieldAsString(0) + ";";
    EXPECT_EQ(ids, "2;10;");

    const std::string message = ErrorOf([&] {
        FQ.ExecuteBatch({"insert into t (id) values (3)", "insert into no_such_table values (1)",
                         "insert into t (id) values (4)"});
    });
    EXPECT_NE(message.find("NO_SUCH_TABLE"), std::string::npos) << message;
    EXPECT_TRUE(FTr.Active());
    FQ.SetSQL("select id from t order by id");
    FQ.ExecQuery();
    ids.clear();
    while (FQ.Next()) ids += FQ.FieldAsString(0) + ";";
    EXPECT_EQ(ids, "2;3;10;");  // the one before the failure is done, the one after is not
    FTr.Rollback();
    EXPECT_EQ(Column(FDb, "select count(*) from t"), "0");
}

TEST_F(EmbeddedTable, StatementSurvivesReconnectAndTransactionChange)
{
    FQ.SetSQL("select count(*) from t where id = ?");
    FQ.SetParamString(0, "1");
    FQ.ExecQuery();
    FQ.Close();
    FDb.Close();  // frees the statement before detaching
    EXPECT_FALSE(FTr.Active());
    FDb.Open();
    FTr.StartTransaction();
    FQ.ExecQuery();
    ASSERT_TRUE(FQ.Next());
    EXPECT_EQ(FQ.FieldAsString(0), "0");

    TTransaction other;
    other.SetDefaultDatabase(&FDb);
    other.StartTransaction();
    FQ.SetTransaction(&other);
    EXPECT_FALSE(FQ.Open());
    FQ.ExecQuery();
    ASSERT_TRUE(FQ.Next());
    other.Commit();
}

TEST_F(EmbeddedTable, StateErrors)
{
    FTr.Commit();
    EXPECT_EQ(ErrorOf([&] {
                  FQ.SetSQL("select 1 from rdb$database");
                  FQ.ExecQuery();
              }),
              "Transaction is not active.");
    EXPECT_EQ(ErrorOf([&] { FTr.Commit(); }), "Transaction is not active.");
    FTr.StartTransaction();
    EXPECT_EQ(ErrorOf([&] { FTr.StartTransaction(); }), "Transaction is already active.");
    EXPECT_EQ(ErrorOf([&] { FTr.SetDefaultDatabase(nullptr); }), "Cannot change the database of an active transaction.");
    FQ.SetSQL("select 1 from rdb$database where 1 = ?");  // a marker the server also sees
    FQ.SetParamString(0, "1");
    FQ.ExecQuery();
    TQuery lonely;
    lonely.SetSQL("select 1 from rdb$database");
    EXPECT_EQ(ErrorOf([&] { lonely.ExecQuery(); }), "Query has no database.");
    lonely.SetDatabase(&FDb);
    EXPECT_EQ(ErrorOf([&] { lonely.ExecQuery(); }), "Query has no transaction.");
}

TEST_F(EmbeddedTable, RetainingFormsKeepTheTransaction)
{
    FQ.SetSQL("insert into t (id) values (1)");
    FQ.ExecQuery();
    FTr.CommitRetaining();
    EXPECT_TRUE(FTr.Active());
    FQ.SetSQL("insert into t (id) values (2)");
    FQ.ExecQuery();
    FTr.RollbackRetaining();
    EXPECT_TRUE(FTr.Active());
    FTr.Commit();
    EXPECT_EQ(Column(FDb, "select list(id) from t"), "1");
}

// Components owned by one form, destroyed with it in every order, while the
// transaction is active and a result is open: nothing may dangle.
TEST_F(Embedded, DestroyingOwnersInAnyOrder)
{
    const std::string file = File("owners.fdb");
    {
        TDatabase db;
        CreateAndAttach(db, file);
        RunCommitted(db, {"create table t (a int)"});
        RunCommitted(db, {"insert into t values (1)"});
    }
    enum Kind { kDb, kTr, kQuery };
    const std::vector<std::vector<Kind>> orders = {
        {kDb, kTr, kQuery}, {kQuery, kTr, kDb}, {kTr, kDb, kQuery}, {kDb, kQuery, kTr}};
    for (const auto& order : orders) {
        auto form = std::make_unique<TComponent>();
        form->SetName("Form");
        TDatabase* db = nullptr;
        TTransaction* tr = nullptr;
        TQuery* q = nullptr;
        for (Kind k : order) {
            if (k == kDb) db = new TDatabase(form.get());
            if (k == kTr) tr = new TTransaction(form.get());
            if (k == kQuery) q = new TQuery(form.get());
        }
        db->SetLibraryName(testenv::ClientLibrary());
        db->SetDBName(file);
        db->DBParams().Assign(std::vector<std::string>{"user_name=SYSDBA"});
        db->SetDefaultTransaction(tr);
        EXPECT_EQ(tr->DefaultDatabase(), db);
        q->SetDatabase(db);
        q->SetTransaction(tr);
        db->Open();
        tr->StartTransaction();
        q->SetSQL("insert into t values (2)");
        q->ExecQuery();
        q->SetSQL("select a from t");
        q->ExecQuery();
        ASSERT_TRUE(q->Next());
        form.reset();  // rolls back, frees the statement, detaches
    }
    TDatabase db;
    db.SetLibraryName(testenv::ClientLibrary());
    db.SetDBName(file);
    db.DBParams().Assign(std::vector<std::string>{"user_name=SYSDBA"});
    db.Open();
    EXPECT_EQ(Column(db, "select count(*) from t"), "1");
    db.DropDatabase();
}

TEST_F(Embedded, DestroyingTheDatabaseFirstLeavesNoDanglingLinks)
{
    auto db = std::make_unique<TDatabase>();
    CreateAndAttach(*db, File("first.fdb"));
    TTransaction tr;
    TQuery q;
    db->SetDefaultTransaction(&tr);
    q.SetDatabase(db.get());
    q.SetTransaction(&tr);
    tr.StartTransaction();
    q.SetSQL("select 1 from rdb$database");
    q.ExecQuery();
    db.reset();
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(tr.DefaultDatabase(), nullptr);
    EXPECT_EQ(q.Database(), nullptr);
    EXPECT_FALSE(q.Open());
    EXPECT_EQ(ErrorOf([&] { q.ExecQuery(); }), "Query has no database.");
}

}  // namespace
