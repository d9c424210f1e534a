// Parameter blocks, the password setter and the database error text: the parts
// of the access layer that need no server.
#include "dbaccess/ClientLibrary.h"
#include "dbaccess/Database.h"
#include "dbaccess/DbError.h"
#include "dbaccess/ParamBlock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

std::string Text(const char* s) { return s; }

std::string ClientErrorOf(const TLineList& lines, bool isFirebird = true)
{
    try {
        BuildDatabaseParamBlock(lines, isFirebird);
    } catch (const EDbClientError& e) {
        return e.Message();
    }
    return "(no error)";
}

TEST(DatabaseParamBlock, RepairConnectionLinesGiveTheDocumentedBytes)
{
    const std::string tail = Bytes({28, 6}) + "SYSDBA" + Bytes({48, 9}) + "ISO8859_1";
    struct Case {
        const char* password;
        bool isFirebird;
        std::string expected;
    } cases[] = {
        {"gorbun", true, Bytes({1, 29, 6}) + "gorbun" + tail + Bytes({72, 1, 1})},
        {"quilbrond", true, Bytes({1, 29, 9}) + "quilbrond" + tail + Bytes({72, 1, 1})},
        {"gorbun", false, Bytes({1, 29, 6}) + "gorbun" + tail},
    };
    for (const Case& c : cases) {
        const TLineList lines{std::string("password=") + c.password, "user_name=SYSDBA", "lc_ctype=ISO8859_1",
                              "isc_dpb_no_db_triggers"};
        const std::string dpb = BuildDatabaseParamBlock(lines, c.isFirebird);
        EXPECT_EQ(dpb, c.expected) << c.password << " firebird=" << c.isFirebird;
    }
    EXPECT_EQ(BuildDatabaseParamBlock({"password=gorbun", "user_name=SYSDBA", "lc_ctype=ISO8859_1",
                                       "isc_dpb_no_db_triggers"}, true).size(), 31u);
    EXPECT_EQ(BuildDatabaseParamBlock({"password=quilbrond", "user_name=SYSDBA", "lc_ctype=ISO8859_1",
                                       "isc_dpb_no_db_triggers"}, true).size(), 34u);
}

TEST(DatabaseParamBlock, LineRules)
{
    struct Case {
        const char* what;
        TLineList lines;
        std::string expected;
    } cases[] = {
        {"empty list", {}, Bytes({1})},
        {"blank and control-only lines skipped", {"", "   ", "\t\r"}, Bytes({1})},
        {"trimmed around", {"  \tuser_name=SYSDBA \t"}, Bytes({1, 28, 6}) + "SYSDBA"},
        {"name case folded", {"USER_NAME=sysdba"}, Bytes({1, 28, 6}) + "sysdba"},
        {"prefix removed after folding", {"ISC_DPB_Lc_Ctype=UTF8"}, Bytes({1, 48, 4}) + "UTF8"},
        {"split at the first =", {"password=a=b"}, Bytes({1, 29, 3}) + "a=b"},
        {"value kept as written", {"password= x "}, Bytes({1, 29, 2}) + " x"},
        {"empty value", {"sql_role_name="}, Bytes({1, 60, 0})},
        {"force_write numeric", {"force_write=0"}, Bytes({1, 24, 1, 0})},
        {"force_write on", {"force_write=1"}, Bytes({1, 24, 1, 1})},
        {"no_reserve numeric", {"no_reserve=0"}, Bytes({1, 27, 1, 0})},
        {"sql_dialect numeric", {"sql_dialect=1"}, Bytes({1, 63, 1, 1})},
        {"num_buffers four bytes", {"num_buffers=300"}, Bytes({1, 5, 4, 0x2C, 0x01, 0, 0})},
        {"set_db_charset text", {"set_db_charset=WIN1252"}, Bytes({1, 68, 7}) + "WIN1252"},
        {"no_db_triggers ignores a value", {"no_db_triggers=0"}, Bytes({1, 72, 1, 1})},
        {"line order kept", {"lc_ctype=NONE", "user_name=A"}, Bytes({1, 48, 4}) + "NONE" + Bytes({28, 1}) + "A"},
        {"bytes above 127 kept", {Text("password=\xe7\xe3o")}, Bytes({1, 29, 3}) + "\xe7\xe3o"},
    };
    for (const Case& c : cases) EXPECT_EQ(BuildDatabaseParamBlock(c.lines, true), c.expected) << c.what;
}

TEST(DatabaseParamBlock, RefusedLines)
{
    struct Case {
        TLineList lines;
        const char* message;
    } cases[] = {
        {{"user=SYSDBA"}, "DPB Constant (user) is unknown."},
        {{"isc_dpb_Bogus=1"}, "DPB Constant (bogus) is unknown."},
        {{"USER 'SYSDBA' PASSWORD 'x'"}, "DPB Constant (user 'sysdba' password 'x') is unknown."},
        {{"isc_dpb_journal=1"}, "DPB Constant (isc_dpb_journal) is unsupported."},
        {{"activate_shadow"}, "DPB Constant (isc_dpb_activate_shadow) is unsupported."},
        {{"force_write=yes"}, "DPB Constant (isc_dpb_force_write) needs a number, not 'yes'."},
        {{"force_write=256"}, "DPB Constant (isc_dpb_force_write) value is out of range: 256, expected 0 to 255."},
        {{"password=" + std::string(256, 'p')},
         "DPB Constant (isc_dpb_password) value is too long: 256 bytes, at most 255."},
        {{"user_name=A", "lc_ctype=" + std::string(300, 'c')},
         "DPB Constant (isc_dpb_lc_ctype) value is too long: 300 bytes, at most 255."},
    };
    for (const Case& c : cases) EXPECT_EQ(ClientErrorOf(c.lines), c.message) << c.lines[0];
    // The longest value that fits its length byte is taken whole.
    const std::string dpb = BuildDatabaseParamBlock({"password=" + std::string(255, 'p')}, true);
    ASSERT_EQ(dpb.size(), 3u + 255u);
    EXPECT_EQ(static_cast<unsigned char>(dpb[2]), 255u);
}

TEST(TransactionParamBlock, ReadCommittedLinesGiveFiveBytes)
{
    EXPECT_EQ(BuildTransactionParamBlock({"write", "isc_tpb_nowait", "read_committed", "rec_version"}),
              Bytes({3, 9, 7, 15, 17}));
}

TEST(TransactionParamBlock, OtherItemsAndErrors)
{
    EXPECT_EQ(BuildTransactionParamBlock({}), Bytes({3}));
    EXPECT_EQ(BuildTransactionParamBlock({" READ ", "ISC_TPB_CONCURRENCY", "", "wait"}), Bytes({3, 8, 2, 6}));
    EXPECT_EQ(BuildTransactionParamBlock({"lock_timeout=5"}), Bytes({3, 21, 4, 5, 0, 0, 0}));
    EXPECT_EQ(BuildTransactionParamBlock({"lock_write=T1", "protected"}), Bytes({3, 11, 2}) + "T1" + Bytes({4}));
    try {
        BuildTransactionParamBlock({"write", "snapshot"});
        FAIL() << "unknown TPB item accepted";
    } catch (const EDbClientError& e) {
        EXPECT_EQ(e.Message(), "TPB Constant (snapshot) is unknown.");
    }
}

TEST(ConnectParams, PasswordSetter)
{
    struct Case {
        const char* what;
        TLineList before;
        const char* value;
        TLineList after;
    } cases[] = {
        {"replaced in place", {"password=gorbun", "user_name=SYSDBA"}, "quilbrond",
         {"password=quilbrond", "user_name=SYSDBA"}},
        {"prefixed line found at character 9", {"user_name=SYSDBA", "isc_dpb_password=old", "lc_ctype=X"}, "new",
         {"user_name=SYSDBA", "password=new", "lc_ctype=X"}},
        {"upper case name found", {"PASSWORD=old", "user_name=A"}, "new", {"password=new", "user_name=A"}},
        {"name inside another word not matched", {"xpassword=old"}, "new", {"xpassword=old", "password=new"}},
        {"only the first matching line", {"password=1", "password=2"}, "3", {"password=3", "password=2"}},
        {"added last when missing", {"user_name=A", "lc_ctype=B"}, "p", {"user_name=A", "lc_ctype=B", "password=p"}},
        {"empty value deletes", {"user_name=A", "password=p", "lc_ctype=B"}, "", {"user_name=A", "lc_ctype=B"}},
        {"empty value with no line", {"user_name=A"}, "", {"user_name=A"}},
    };
    for (const Case& c : cases) {
        TDatabase db;
        db.DBParams().Assign(c.before);
        db.ConnectParams().SetPassword(c.value);
        EXPECT_EQ(db.DBParams().Lines(), c.after.Lines()) << c.what;
    }
}

TEST(ConnectParams, OtherLoginItems)
{
    TDatabase db;
    TConnectParams& cp = db.ConnectParams();
    cp.SetUserName("SYSDBA");
    cp.SetRoleName("RDB$ADMIN");
    cp.SetCharSet("iso8859_1");
    cp.SetPassword("pw");
    EXPECT_EQ(db.DBParams().Lines(),
              (std::vector<std::string>{"user_name=SYSDBA", "sql_role_name=RDB$ADMIN", "lc_ctype=ISO8859_1", "password=pw"}));
    EXPECT_EQ(cp.UserName(), "SYSDBA");
    EXPECT_EQ(cp.RoleName(), "RDB$ADMIN");
    EXPECT_EQ(cp.CharSet(), "ISO8859_1");
    EXPECT_EQ(cp.Password(), "pw");
    cp.SetUserName("U2");
    cp.SetCharSet("");
    EXPECT_EQ(db.DBParams().Lines(),
              (std::vector<std::string>{"user_name=U2", "sql_role_name=RDB$ADMIN", "password=pw"}));
}

TEST(DbErrorText, Composition)
{
    struct Case {
        const char* what;
        std::string names;
        std::string sqlText;
        std::vector<std::string> messages;
        std::string expected;
    } cases[] = {
        {"owner prefix, capitals, dots", "Form.SC", "undefined name", {"dynamic SQL Error", "table unknown"},
         "Form.SC:\r\nUndefined name.\r\nDynamic SQL Error.\r\nTable unknown.\r\n"},
        {"one-character names left out", "X", "error", {}, "Error.\r\n"},
        {"two characters kept", "AB", "error", {}, "AB:\r\nError.\r\n"},
        {"backslash-n pairs removed", "", "first\\nsecond\\n", {"a\\nb"}, "Firstsecond.\r\nA\\nb.\r\n"},
        {"text ending in a dot still ends its line", "", "Done.", {"next"}, "Done.\r\nNext.\r\n"},
        {"message ending in a dot gets none added", "", "x", {"Ends here."}, "X.\r\nEnds here.\r\n"},
        {"only a to z raised", "", "\xe9t\xe9", {"1 row", "_x"}, "\xe9t\xe9.\r\n1 row.\r\n_x.\r\n"},
        {"empty texts", "", "", {""}, ".\r\n.\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(ComposeDbErrorText(c.names, c.sqlText, c.messages), c.expected) << c.what;
}

TEST(DatabaseSettings, RefusedWithoutAttachment)
{
    TDatabase db;
    try {
        db.Open();
        FAIL() << "opened without a name";
    } catch (const EDbClientError& e) {
        EXPECT_EQ(e.Message(), "Database name is missing.");
    }
    try {
        db.SetSQLDialect(4);
        FAIL() << "dialect 4 accepted";
    } catch (const EDbClientError& e) {
        EXPECT_EQ(db.SQLDialect(), 3);
    }
    EXPECT_EQ(db.LibraryName(), kDefaultClientLibrary);
}

}  // namespace
