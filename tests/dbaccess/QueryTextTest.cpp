// How the statement component reads its text: parameter markers and the
// data-definition classification.
#include "dbaccess/DbError.h"
#include "dbaccess/Query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(QueryText, ParameterMarkers)
{
    struct Case {
        const char* text;
        std::vector<std::string> names;
        const char* sent;
    } cases[] = {
        {"select * from t", {}, "select * from t"},
        {"insert into t values (:a, :Bc_1)", {"A", "BC_1"}, "insert into t values (?, ?)"},
        {"update t set x = ?name where id = ?", {"NAME", ""}, "update t set x = ? where id = ?"},
        {"select ? , ?, :x from rdb$database", {"", "", "X"}, "select ? , ?, ? from rdb$database"},
        {"select ':a', \"col:b\" from t where c = :c", {"C"}, "select ':a', \"col:b\" from t where c = ?"},
        {"select 'it''s :no' from t where x=:yes", {"YES"}, "select 'it''s :no' from t where x=?"},
        {"select 1 -- :comment ?\r\nfrom t where a=:a", {"A"}, "select 1 -- :comment ?\r\nfrom t where a=?"},
        {"select /* :x ? */ :y from t", {"Y"}, "select /* :x ? */ ? from t"},
        {"select :\"MixedCase\" from t", {"MixedCase"}, "select ? from t"},
        {"insert into t values (:H0_10, :h10_0)", {"H0_10", "H10_0"}, "insert into t values (?, ?)"},
        {"select :a, :a from t", {"A", "A"}, "select ?, ? from t"},
        {"select '/* not a comment', :p from t", {"P"}, "select '/* not a comment', ? from t"},
        {"select 1 from t /* unterminated :x", {}, "select 1 from t /* unterminated :x"},
        {"execute block (x int = :x) returns (y int) as declare z int; begin y = :x + :z; suspend; end",
         {"X"}, "execute block (x int = ?) returns (y int) as declare z int; begin y = :x + :z; suspend; end"},
    };
    for (const Case& c : cases) {
        std::string sent;
        EXPECT_EQ(TQuery::ScanParams(c.text, sent), c.names) << c.text;
        EXPECT_EQ(sent, c.sent) << c.text;
    }
}

TEST(QueryText, ColonWithoutName)
{
    for (const char* text : {"select : from t", "select * from t where a = :", "select :\"\" from t",
                             "select :\"open from t", "select a:=1"}) {
        std::string sent;
        try {
            TQuery::ScanParams(text, sent);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EDbClientError& e) {
            EXPECT_EQ(e.Message(), "Parameter name expected") << text;
        }
    }
}

TEST(QueryText, DataDefinitionClassification)
{
    struct Case {
        const char* text;
        bool ddl;
    } cases[] = {
        {"CREATE TABLE T (A INT)", true},
        {"create trigger x for t as begin end", true},
        {"Alter table t add b int", true},
        {"DROP TABLE T", true},
        {"RECREATE VIEW V AS SELECT 1 FROM RDB$DATABASE", true},
        {"DECLARE EXTERNAL FUNCTION F", true},
        {"GRANT SELECT ON T TO PUBLIC", true},
        {"REVOKE ALL ON T FROM PUBLIC", true},
        {"COMMENT ON TABLE T IS 'x'", true},
        {"SET GENERATOR G TO 5", true},
        {"set  \r\n generator g to 5", true},
        {"SET /* c */ GENERATOR G TO 5", true},
        {"  \r\n\t-- leading comment\r\n/* block */ CREATE DOMAIN D INT", true},
        {"CREATE", true},
        {"CREATE;", true},
        {"CREATE(", true},
        {"CREATEX TABLE T", false},
        {"CREATE_T", false},
        {"SET STATISTICS INDEX I", false},
        {"SET GENERATORS", false},
        {"SET", false},
        {"SELECT * FROM T", false},
        {"MERGE INTO T USING S ON 1=1 WHEN MATCHED THEN DELETE", false},
        {"UPDATE T SET A = 1", false},
        {"DELETE FROM T", false},
        {"INSERT INTO T VALUES (1)", false},
        {"EXECUTE PROCEDURE P", false},
        {"EXECUTE BLOCK AS BEGIN END", false},
        {"-- CREATE in a comment\r\nSELECT 1 FROM RDB$DATABASE", false},
        {"/* CREATE */ SELECT 1 FROM RDB$DATABASE", false},
        {"", false},
        {"   ", false},
        {"'CREATE'", false},
    };
    for (const Case& c : cases) EXPECT_EQ(TQuery::IsDataDefinition(c.text), c.ddl) << c.text;
}

TEST(QueryText, DataDefinitionIsSentUnchanged)
{
    TQuery q;
    const std::string body =
        "CREATE TRIGGER TRIG_ONCONNECT ON CONNECT AS\r\nDECLARE VARIABLE ANOBASE INTEGER;\r\n"
        "BEGIN\r\n  SELECT 1 FROM RDB$DATABASE INTO :ANOBASE;\r\n  IF (? IS NULL) THEN EXIT;\r\nEND";
    q.SetSQL(body);
    EXPECT_TRUE(q.IsDDL());
    EXPECT_EQ(q.ParamCount(), 0);
    EXPECT_EQ(q.SQL().Count(), 6);
    // Not data definition: scanned, refused, and the earlier text stays.
    EXPECT_THROW(q.SetSQL("select : from t where 1=0"), EDbClientError);
    EXPECT_TRUE(q.IsDDL());
    EXPECT_EQ(q.SQL().Count(), 6);
}

TEST(QueryText, ParametersByPositionAndName)
{
    TQuery q;
    q.SetSQL(TLineList{"insert into t (a, b, c)", "values (:a, ?, :\"c\")", "-- :ignored", "returning :a"});
    ASSERT_EQ(q.ParamCount(), 3);  // a repeated name is one parameter
    EXPECT_EQ(q.Param(0).Name, "A");
    EXPECT_EQ(q.Param(1).Name, "");
    EXPECT_EQ(q.Param(2).Name, "c");
    EXPECT_EQ(q.FindParam("a"), &q.Param(0));
    EXPECT_EQ(q.FindParam("C"), &q.Param(2));
    EXPECT_EQ(q.FindParam("nope"), nullptr);
    EXPECT_TRUE(q.Param(0).IsNull);
    q.SetParamString(0, "x");
    EXPECT_FALSE(q.Param(0).IsNull);
    q.SetParamBlob(1, std::string("a\0b", 3));
    EXPECT_EQ(q.Param(1).SQLType, kSqlTypeBlob);
    EXPECT_EQ(q.Param(1).Bytes.size(), 3u);
    q.SetParamNull(0);
    EXPECT_TRUE(q.Param(0).IsNull);
    EXPECT_THROW(q.Param(3), EDbClientError);
    EXPECT_THROW(q.Param(-1), EDbClientError);
}

}  // namespace
