// DESCRIBE against the embedded engine: the UPDATE each kind sends with its
// bound values, how the description is taken from the statement, that it runs
// unguarded in the runner's transaction, and that the description is stored
// although the server keeps its system tables read-only.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using runnertest::TChecker;

namespace {

const std::string kPassword = "masterkey";

class DescribeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Path = testenv::NewDataDir("describe") + "/describe.fdb";
        runnertest::CreateDatabase(Path, kPassword);
        Checker = std::make_unique<TChecker>(Path, kPassword);
        Checker->Exec({
            "CREATE DOMAIN DM AS INTEGER",
            "CREATE TABLE CUSTOMER (ID INTEGER, NAME VARCHAR(20))",
            "CREATE VIEW V AS SELECT ID FROM CUSTOMER",
            "CREATE EXCEPTION EX 'boom'",
            "CREATE GENERATOR GEN",
            "CREATE PROCEDURE P (X INTEGER) AS BEGIN END",
            "CREATE TRIGGER TR FOR CUSTOMER BEFORE INSERT AS BEGIN END",
            "CREATE FUNCTION F (A INTEGER) RETURNS INTEGER AS BEGIN RETURN A; END",
            "DECLARE EXTERNAL FUNCTION UF INTEGER RETURNS INTEGER BY VALUE ENTRY_POINT 'abs' MODULE_NAME 'ib_udf'",
            // Names only quoting writes: a double quote and lower case inside.
            "CREATE TABLE \"a\"\"b\" (\"c\"\"d\" INTEGER)",
        });
        Owner = std::make_unique<TComponent>();
        runnertest::WireRunner(*Owner, Path, kPassword, CON, SC);
    }
    void TearDown() override
    {
        Owner.reset();
        Checker.reset();
    }

    // What the statement component held after the run, whether the server
    // took it or not.
    struct TSent {
        std::string SQL;
        std::vector<std::string> Params;
        std::string Refused;  // the server's message, empty when it took the update
        bool Handled = false;
        int Ran = 0;
    };

    void Run(std::vector<std::string> lines)
    {
        Sent = TSent();
        SC->OnExecuteError = [this](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                                    const std::string&, bool&, bool&) { Sent.Handled = true; };
        SC->BeforeStatementExecute = [this](TScriptRunner*, std::int32_t, std::int32_t, const TStatementDesc&,
                                            TLineList*) { ++Sent.Ran; };
        SC->SetScript(TLineList(std::move(lines)));
        try {
            SC->ExecuteScript(1);
        } catch (const EDbError& e) {
            Sent.Refused = e.Message();
        }
        TQuery& q = SC->ExecQuery();
        for (const std::string& line : q.SQL()) Sent.SQL += Sent.SQL.empty() ? line : "\n" + line;
        for (int i = 0; i < q.ParamCount(); ++i) Sent.Params.push_back(q.Param(i).IsNull ? "<null>" : q.Param(i).Bytes);
    }

    // RDB$DESCRIPTION as committed, "<null>" when none.
    std::string Stored(const std::string& query) { return Checker->Scalar(query); }

    // How many objects of the kinds DESCRIBE reaches carry a description.
    std::string DescribedCount()
    {
        std::string sql = "SELECT 0";
        for (const char* table : {"RDB$FIELDS", "RDB$RELATIONS", "RDB$PROCEDURES", "RDB$TRIGGERS", "RDB$FUNCTIONS",
                                  "RDB$EXCEPTIONS", "RDB$GENERATORS", "RDB$RELATION_FIELDS",
                                  "RDB$PROCEDURE_PARAMETERS"})
            sql += std::string(" + (SELECT COUNT(*) FROM ") + table + " WHERE RDB$DESCRIPTION IS NOT NULL)";
        return Checker->Scalar(sql + " FROM RDB$DATABASE");
    }

    std::string Path;
    std::unique_ptr<TChecker> Checker;
    std::unique_ptr<TComponent> Owner;
    TDatabase* CON = nullptr;
    TScriptRunner* SC = nullptr;
    TSent Sent;
};

const std::string kTableDescription =
    "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'CUSTOMER'";

}  // namespace

TEST_F(DescribeTest, EveryKindSendsItsRowsUpdate)
{
    struct TCase {
        std::string Statement;
        std::string SQL;
        std::vector<std::string> Params;  // bound by position, 0 = the description
    };
    const TCase cases[] = {
        {"DESCRIBE DOMAIN DM 'd';",
         "UPDATE RDB$FIELDS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$FIELD_NAME = :FIELD)", {"d", "DM"}},
        {"DESCRIBE TABLE CUSTOMER 'd';",
         "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = :DESCR WHERE RDB$RELATION_NAME = :TABNAME", {"d", "CUSTOMER"}},
        {"DESCRIBE VIEW V 'd';",
         "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = :DESCR WHERE RDB$RELATION_NAME = :TABNAME", {"d", "V"}},
        {"DESCRIBE PROCEDURE P 'd';",
         "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION = :DESCR WHERE (RDB$PROCEDURE_NAME = :PROCNAME)", {"d", "P"}},
        {"DESCRIBE TRIGGER TR 'd';",
         "UPDATE RDB$TRIGGERS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$TRIGGER_NAME = :TR_NAME)", {"d", "TR"}},
        {"DESCRIBE FUNCTION F 'd';",
         "update RDB$FUNCTIONS set RDB$DESCRIPTION = ?DESC where (RDB$FUNCTION_NAME = ?FUNC_NAME)", {"d", "F"}},
        {"DESCRIBE EXCEPTION EX 'd';",
         "UPDATE RDB$EXCEPTIONS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$EXCEPTION_NAME = :EXC_NAME)", {"d", "EX"}},
        {"DESCRIBE GENERATOR GEN 'd';",
         "update RDB$GENERATORS SET RDB$DESCRIPTION = ?DESC where (RDB$GENERATOR_NAME = ?GEN_NAME)", {"d", "GEN"}},
        // Field, a joining word that is not looked at, then the owner.
        {"DESCRIBE FIELD NAME OF CUSTOMER 'd';",
         "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$RELATION_NAME = :TABNAME) and "
         "(RDB$FIELD_NAME = :FIELD)",
         {"d", "CUSTOMER", "NAME"}},
        {"describe column ID anything CUSTOMER 'd';",
         "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$RELATION_NAME = :TABNAME) and "
         "(RDB$FIELD_NAME = :FIELD)",
         {"d", "CUSTOMER", "ID"}},
        {"DESCRIBE PARAMETER X IN P 'd';",
         "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$PROCEDURE_NAME = :PROCNAME) "
         "and(RDB$PARAMETER_NAME = :FIELD)",
         {"d", "P", "X"}},
        // Names are bound as written, quotes removed, case kept.
        {"DESCRIBE TABLE \"Customer\" 'd';",
         "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = :DESCR WHERE RDB$RELATION_NAME = :TABNAME", {"d", "Customer"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Statement);
        Run({c.Statement});
        EXPECT_EQ(Sent.SQL, c.SQL);
        EXPECT_EQ(Sent.Params, c.Params);
        EXPECT_FALSE(Sent.Handled) << "DESCRIBE has no error guard";
        EXPECT_TRUE(SC->EffectiveTransaction()->Active()) << "started, and nothing commits it";
        Run({"ROLLBACK;"});
    }
}

TEST_F(DescribeTest, HowTheDescriptionIsTakenFromTheStatement)
{
    struct TCase {
        const char* What;
        std::vector<std::string> Lines;
        std::string Description;
    };
    const TCase cases[] = {
        {"doubled quote", {"DESCRIBE TABLE CUSTOMER 'it''s mine';"}, "it's mine"},
        {"unquoted, with the line break that ends it", {"DESCRIBE TABLE CUSTOMER plain words here;"},
         "plain words here\r\n"},
        {"two quoted lines", {"DESCRIBE TABLE CUSTOMER 'first", "second';"}, "first\r\nsecond"},
        {"empty quotes as written", {"DESCRIBE TABLE CUSTOMER '';"}, "''\r\n"},
        {"text after the closing quote is dropped", {"DESCRIBE TABLE CUSTOMER 'a' b;"}, "a"},
        {"no closing quote: the rest", {"DESCRIBE TABLE CUSTOMER 'open end;"}, "open end;\r\n"},
        {"under another terminator", {"SET TERM ^ ;", "DESCRIBE TABLE CUSTOMER 'x;y'^"}, "x;y"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        Run(c.Lines);
        ASSERT_FALSE(Sent.Params.empty());
        EXPECT_EQ(Sent.Params[0], c.Description);
        EXPECT_EQ(Sent.Refused, "");
        Run({"COMMIT;"});
        EXPECT_EQ(Stored(kTableDescription), c.Description) << "stored exactly";
    }
}

TEST_F(DescribeTest, EveryKindStoresItsDescription)
{
    struct TCase {
        std::string Statement;
        std::string Query;  // reads the object's RDB$DESCRIPTION
    };
    const TCase cases[] = {
        {"DESCRIBE DOMAIN DM 'domain';", "SELECT RDB$DESCRIPTION FROM RDB$FIELDS WHERE RDB$FIELD_NAME = 'DM'"},
        {"DESCRIBE TABLE CUSTOMER 'table';", kTableDescription},
        {"DESCRIBE VIEW V 'view';", "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'V'"},
        // One row serves both words: each reaches tables and views alike.
        {"DESCRIBE TABLE V 'view as table';",
         "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'V'"},
        {"DESCRIBE VIEW CUSTOMER 'table as view';", kTableDescription},
        {"DESCRIBE PROCEDURE P 'procedure';",
         "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P'"},
        {"DESCRIBE TRIGGER TR 'trigger';", "SELECT RDB$DESCRIPTION FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TR'"},
        {"DESCRIBE FUNCTION F 'psql function';",
         "SELECT RDB$DESCRIPTION FROM RDB$FUNCTIONS WHERE RDB$FUNCTION_NAME = 'F'"},
        {"DESCRIBE FUNCTION UF 'external function';",
         "SELECT RDB$DESCRIPTION FROM RDB$FUNCTIONS WHERE RDB$FUNCTION_NAME = 'UF'"},
        {"DESCRIBE EXCEPTION EX 'exception';",
         "SELECT RDB$DESCRIPTION FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'EX'"},
        {"DESCRIBE GENERATOR GEN 'generator';",
         "SELECT RDB$DESCRIPTION FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = 'GEN'"},
        {"DESCRIBE FIELD NAME OF CUSTOMER 'field';",
         "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'CUSTOMER' AND "
         "RDB$FIELD_NAME = 'NAME'"},
        {"DESCRIBE COLUMN ID anything CUSTOMER 'column';",
         "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'CUSTOMER' AND "
         "RDB$FIELD_NAME = 'ID'"},
        {"DESCRIBE COLUMN ID OF V 'view column';",
         "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'V' AND RDB$FIELD_NAME = 'ID'"},
        {"DESCRIBE PARAMETER X IN P 'parameter';",
         "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = 'P' AND "
         "RDB$PARAMETER_NAME = 'X'"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Statement);
        Run({c.Statement, "COMMIT;"});
        EXPECT_EQ(Sent.Refused, "");
        EXPECT_FALSE(Sent.Handled);
        EXPECT_EQ(Sent.Ran, 2);
        ASSERT_FALSE(Sent.Params.empty()) << "the statement component holds the UPDATE as sent";
        EXPECT_EQ(Stored(c.Query), Sent.Params[0]);
    }
}

TEST_F(DescribeTest, ANameMatchingNoObjectChangesNothing)
{
    // No row is reached, so the server takes the UPDATE as it stands.
    const std::string before = DescribedCount();
    for (const std::string statement : {
             "DESCRIBE TABLE customer 'x';",  // unquoted lower case is not upper-cased
             "DESCRIBE TABLE NOSUCH 'x';",
             "DESCRIBE DOMAIN dm 'x';",
             "DESCRIBE FUNCTION f 'x';",
             "DESCRIBE FIELD name OF CUSTOMER 'x';",
             "DESCRIBE FIELD NAME OF customer 'x';",
             "DESCRIBE PARAMETER x IN P 'x';",
             "DESCRIBE TABLE 'a\"\"b' 'x';",  // quotes are compared as written, not undoubled
         }) {
        SCOPED_TRACE(statement);
        Run({statement, "COMMIT;"});
        EXPECT_EQ(Sent.Refused, "");
        EXPECT_FALSE(Sent.Handled);
        EXPECT_EQ(Sent.Ran, 2) << "the run went on";
    }
    EXPECT_EQ(DescribedCount(), before);
}

TEST_F(DescribeTest, TheDescriptionEndsWithTheRunnersTransaction)
{
    // The work before the DESCRIBE in the same transaction survives the
    // server's refusal of the UPDATE, and ends with the description.
    struct TCase {
        std::string End;
        std::string Rows;
        std::string Description;
    };
    const TCase cases[] = {
        {"ROLLBACK;", "0", "<null>"},
        {"COMMIT;", "1", "kept"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.End);
        Run({"INSERT INTO CUSTOMER (ID) VALUES (7);", "DESCRIBE TABLE CUSTOMER 'kept';"});
        EXPECT_EQ(Sent.Refused, "");
        EXPECT_TRUE(SC->EffectiveTransaction()->Active()) << "nothing commits the DESCRIBE";
        EXPECT_EQ(Stored(kTableDescription), "<null>") << "not visible before the transaction ends";
        Run({c.End});
        EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM CUSTOMER WHERE ID = 7"), c.Rows);
        EXPECT_EQ(Stored(kTableDescription), c.Description);
        Checker->Exec({"DELETE FROM CUSTOMER"});
    }
}

TEST_F(DescribeTest, QuotesInNamesAndDescriptionsAreStoredExactly)
{
    // Nothing of the statement reaches the server as SQL: a quote or a ";"
    // in a name or a description is data.
    struct TCase {
        std::string Statement;
        std::string Query;
        std::string Description;
    };
    const TCase cases[] = {
        {"DESCRIBE TABLE 'a\"b' 'x'' ; DROP TABLE CUSTOMER; --';",
         "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'a\"b'",
         "x' ; DROP TABLE CUSTOMER; --"},
        {"DESCRIBE FIELD 'c\"d' OF 'a\"b' '\" || '''' || \"';",
         "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'a\"b' AND "
         "RDB$FIELD_NAME = 'c\"d'",
         "\" || '' || \""},
        {"DESCRIBE TABLE CUSTOMER '''); COMMIT; --';", kTableDescription, "'); COMMIT; --"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Statement);
        Run({c.Statement, "COMMIT;"});
        EXPECT_EQ(Sent.Refused, "");
        EXPECT_EQ(Stored(c.Query), c.Description);
    }
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM CUSTOMER"), "0") << "CUSTOMER still there";
}

TEST_F(DescribeTest, TextBeyondAsciiOverTheRepairCharacterSet)
{
    // The repair connection talks ISO8859_1; the description comes back in it
    // byte for byte.
    CON->Close();
    CON->DBParams().Add("lc_ctype=ISO8859_1");
    CON->Open();
    const std::string description = "caf\xE9 \xE0 la cr\xE8me";
    Run({"DESCRIBE TABLE CUSTOMER '" + description + "';", "COMMIT;"});
    EXPECT_EQ(Sent.Refused, "");

    TTransaction tr;
    tr.SetDefaultDatabase(CON);
    tr.StartTransaction();
    TQuery q;
    q.SetDatabase(CON);
    q.SetTransaction(&tr);
    q.SetSQL(kTableDescription);
    q.ExecQuery();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.FieldAsString(0), description);
    q.Close();
    tr.Commit();
}

TEST_F(DescribeTest, OtherErrorsOfTheUpdateEndTheRun)
{
    // Over a connection without a character set the server cannot take a
    // byte beyond ASCII for the description: that refusal is not about
    // read-only system tables, so it stands, unhandled, and nothing is stored.
    Run({"DESCRIBE TABLE CUSTOMER 'caf\xE9';", "COMMIT;"});
    EXPECT_NE(Sent.Refused.find("Malformed string"), std::string::npos) << Sent.Refused;
    EXPECT_FALSE(Sent.Handled);
    EXPECT_EQ(Sent.Ran, 1) << "the run ended with the DESCRIBE";
    Run({"COMMIT;"});
    EXPECT_EQ(Stored(kTableDescription), "<null>");
}

TEST_F(DescribeTest, OlderDialectsTakeOnlyNamesWrittenWithoutQuotes)
{
    // In dialect 1 double quotes delimit strings, so a name needing quotes
    // cannot be written; the rest works as in dialect 3.
    CON->SetSQLDialect(1);
    Run({"DESCRIBE TABLE CUSTOMER 'dialect one';", "COMMIT;"});
    EXPECT_EQ(Sent.Refused, "");
    EXPECT_EQ(Stored(kTableDescription), "dialect one");

    SC->SetScript(TLineList({"DESCRIBE TABLE 'a\"b' 'x';"}));
    try {
        SC->ExecuteScript(1);
        ADD_FAILURE() << "no error";
    } catch (const EDbError& e) {
        ADD_FAILURE() << e.Message();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "DESCRIBE: the name a\"b cannot be written in SQL dialect 1");
    }
    Run({"ROLLBACK;"});
}

TEST_F(DescribeTest, KindsWithoutARowFailInTheCaseWritten)
{
    for (const std::string word : {"INDEX", "index", "ROLE"}) {
        SCOPED_TRACE(word);
        SC->SetScript(TLineList({"DESCRIBE " + word + " IX 'text';"}));
        try {
            SC->ExecuteScript(1);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Unsupported DESCRIBE type " + word);
        }
        EXPECT_FALSE(SC->EffectiveTransaction()->Active()) << "nothing was executed";
    }
}

TEST_F(DescribeTest, IncompleteStatements)
{
    EXPECT_NO_THROW(Run({"DESCRIBE;"}));
    EXPECT_FALSE(SC->EffectiveTransaction()->Active());

    struct TCase {
        std::string Statement;
        std::string Message;
    };
    const TCase cases[] = {
        {"DESCRIBE TABLE;", "DESCRIBE: the object name is missing"},
        {"DESCRIBE TABLE CUSTOMER;", "DESCRIBE: the description is missing"},
        {"DESCRIBE FIELD NAME OF;", "DESCRIBE: the owner's name is missing"},
        {"DESCRIBE FIELD NAME OF CUSTOMER;", "DESCRIBE: the description is missing"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Statement);
        // The next statement's words are not taken for the missing ones.
        SC->SetScript(TLineList({c.Statement, "'next';"}));
        try {
            SC->ExecuteScript(1);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
        EXPECT_FALSE(SC->EffectiveTransaction()->Active());
    }
    EXPECT_EQ(Stored(kTableDescription), "<null>");
}

TEST_F(DescribeTest, CommentOnGoesToTheServerAsWritten)
{
    Run({"COMMENT ON TABLE CUSTOMER IS 'from the server';"});
    // Data definition: committed by AutoDDL right away.
    EXPECT_FALSE(SC->EffectiveTransaction()->Active());
    EXPECT_EQ(Stored(kTableDescription), "from the server");
}
