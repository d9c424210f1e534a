// The pieces of fbscript that need no database: password masking, option
// parsing, JSON escaping, the progress line.

#include "cli/Options.h"
#include "cli/ProgressBar.h"
#include "cli/ScriptSource.h"
#include "cli/SecretMasker.h"
#include "cli/StatementListing.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "TestEnv.h"

namespace {

struct TMaskCase {
    const char* Name;
    std::vector<std::string> Lines;
    std::vector<std::string> Expected;
};
// Keeps test names stable: the case is named by the test's suffix.
inline void PrintTo(const TMaskCase&, std::ostream* os) { *os << "case"; }

class MaskStatement : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(MaskStatement, HidesPasswordValuesOnly)
{
    TSecretMasker masker;
    EXPECT_EQ(masker.MaskStatement(GetParam().Lines), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaskStatement,
    ::testing::Values(
        TMaskCase{"Quoted", {"CONNECT 'a.fdb' USER 'SYSDBA' PASSWORD 'abc123'"},
                  {"CONNECT 'a.fdb' USER 'SYSDBA' PASSWORD ***"}},
        TMaskCase{"LowerCaseUnquoted", {"connect a.fdb password masterkey user sysdba"},
                  {"connect a.fdb password *** user sysdba"}},
        TMaskCase{"ValueOnNextLine", {"CREATE DATABASE 'x.fdb' USER 'SYSDBA' PASSWORD", "  'pw-on-next' PAGE_SIZE 8192"},
                  {"CREATE DATABASE 'x.fdb' USER 'SYSDBA' PASSWORD", "  *** PAGE_SIZE 8192"}},
        TMaskCase{"DoubledQuoteInValue", {"ALTER USER BOB PASSWORD 'it''s;x' FIRSTNAME 'B'"},
                  {"ALTER USER BOB PASSWORD *** FIRSTNAME 'B'"}},
        TMaskCase{"WordInsideString", {"INSERT INTO T VALUES ('password secret', 'PASSWORD x')"},
                  {"INSERT INTO T VALUES ('password secret', 'PASSWORD x')"}},
        TMaskCase{"StringAcrossLines", {"INSERT INTO T VALUES ('first", "password keep')"},
                  {"INSERT INTO T VALUES ('first", "password keep')"}},
        TMaskCase{"LongerWord", {"SELECT PASSWORD_HASH, OLDPASSWORD FROM USERS"},
                  {"SELECT PASSWORD_HASH, OLDPASSWORD FROM USERS"}},
        TMaskCase{"TwoClauses", {"CREATE USER A PASSWORD 'one1'; CREATE USER B PASSWORD two2"},
                  {"CREATE USER A PASSWORD ***; CREATE USER B PASSWORD ***"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SecretMasker, ScrubsRememberedSecretsFromMessages)
{
    TSecretMasker masker;
    masker.AddSecret("Sup3rSecret");
    masker.AddSecret("pw");  // too short to blot out of free text
    masker.MaskStatement({"CONNECT 'x' PASSWORD 'FromScript9'"});
    EXPECT_EQ(masker.Scrub("login Sup3rSecret failed; FromScript9 too; pw stays"),
              "login *** failed; *** too; pw stays");
    // The command line's password inside a statement is hidden too, clause or not.
    EXPECT_EQ(masker.MaskStatement({"INSERT INTO T VALUES ('Sup3rSecret')"}),
              std::vector<std::string>{"INSERT INTO T VALUES ('***')"});
}

struct TOptionErrorCase {
    const char* Name;
    std::vector<std::string> Args;
    const char* MessagePart;
};
// Keeps test names stable: the case is named by the test's suffix.
inline void PrintTo(const TOptionErrorCase&, std::ostream* os) { *os << "case"; }

class OptionErrors : public ::testing::TestWithParam<TOptionErrorCase> {};

TEST_P(OptionErrors, AreRefusedWithAClearMessage)
{
    std::vector<std::string> args{"fbscript"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    try {
        ParseOptions(args);
        FAIL() << "accepted";
    } catch (const EUsageError& e) {
        EXPECT_NE(e.Message().find(GetParam().MessagePart), std::string::npos) << e.Message();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionErrors,
    ::testing::Values(
        TOptionErrorCase{"NoScript", {"-d", "x.fdb"}, "no script"},
        TOptionErrorCase{"Unknown", {"--frob", "a.sql"}, "unknown option '--frob'"},
        TOptionErrorCase{"MissingValue", {"a.sql", "-d"}, "-d needs a value"},
        TOptionErrorCase{"DialectRange", {"--dialect", "4", "a.sql"}, "from 1 to 3"},
        TOptionErrorCase{"FromZero", {"--from", "0", "a.sql"}, "--from"},
        TOptionErrorCase{"FromText", {"--from=ten", "a.sql"}, "'ten' is not a number"},
        TOptionErrorCase{"TwoScripts", {"a.sql", "b.sql"}, "only one script"},
        TOptionErrorCase{"FlagWithValue", {"--quiet=yes", "a.sql"}, "takes no value"},
        TOptionErrorCase{"BlankTerminator", {"--terminator", "; ;", "a.sql"}, "without blanks"},
        TOptionErrorCase{"StreamStdin", {"--stream", "-"}, "--stream needs a file"},
        TOptionErrorCase{"PasswordTwice", {"-p", "x", "--password-file", "f", "a.sql"}, "either"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Options, ReadsValuesInBothFormsAndFallsBackToTheEnvironment)
{
    ::setenv("ISC_USER", "ENVUSER", 1);
    ::setenv("ISC_PASSWORD", "envpass", 1);
    TOptions o = ParseOptions({"fbscript", "--database=h/3050:/d.fdb", "--from", "7", "-q", "--echo",
                               "--terminator=^", "--no-autoddl", "--continue-on-error", "s.sql"});
    EXPECT_EQ(o.Database, "h/3050:/d.fdb");
    EXPECT_EQ(o.From, 7);
    EXPECT_TRUE(o.Quiet && o.Echo && o.NoAutoDDL && o.ContinueOnError);
    EXPECT_EQ(o.Terminator, "^");
    EXPECT_EQ(o.ScriptFile, "s.sql");
    EXPECT_EQ(o.User, "ENVUSER");
    EXPECT_EQ(o.Password, "envpass");
    EXPECT_TRUE(o.PasswordGiven);

    TOptions given = ParseOptions({"fbscript", "-u", "ME", "-p", "mine", "-"});
    EXPECT_EQ(given.User, "ME");
    EXPECT_EQ(given.Password, "mine");
    EXPECT_EQ(given.ScriptFile, "-");

    const std::string dir = testenv::NewDataDir("cli-options");
    {
        std::ofstream(dir + "/pw") << "fromfile\r\nsecond line\n";
    }
    TOptions fromFile = ParseOptions({"fbscript", "--password-file", dir + "/pw", "s.sql"});
    EXPECT_EQ(fromFile.Password, "fromfile");
    ::unsetenv("ISC_USER");
    ::unsetenv("ISC_PASSWORD");
}

TEST(JsonEscape, EscapesAndConvertsToUtf8)
{
    EXPECT_EQ(JsonEscape("PLAIN_NAME"), "PLAIN_NAME");
    EXPECT_EQ(JsonEscape("a\"b\\c"), "a\\\"b\\\\c");
    EXPECT_EQ(JsonEscape(std::string("tab\there\x01")), "tab\\there\\u0001");
    EXPECT_EQ(JsonEscape("A\xC7\xC3O"), "A\xC3\x87\xC3\x83O");  // AÇÃO
    EXPECT_EQ(JsonEscape("\x80"), "\xE2\x82\xAC");               // the euro sign
}

TEST(StatementJson, WritesPositionsAndEnumeratorNames)
{
    TStatementDesc desc;
    desc.StartPos = {1, 4};
    desc.EndPos = {3, 26};
    desc.Kind = TStatementKind::skCreate;
    desc.ObjectKind = TObjectKind::okTrigger;
    desc.ObjectName = "TRIG_ONCONNECT";
    EXPECT_EQ(StatementJson(1, desc),
              R"({"no":1,"start":{"line":4,"col":1},"end":{"line":26,"col":3},"kind":"skCreate",)"
              R"("object":"okTrigger","name":"TRIG_ONCONNECT"})");
}

TEST(ProgressBar, RendersCountsTimesAndEstimate)
{
    TProgressBar statements(stderr, false, false, 100);
    EXPECT_EQ(statements.Render(50, 10.0),
              "[############............] 50/100 statements  0:10 elapsed  ~0:10 left");
    // No estimate from nothing done yet.
    EXPECT_EQ(statements.Render(0, 3.0), "[........................] 0/100 statements  0:03 elapsed");
    TProgressBar bytes(stderr, false, true, 300LL * 1024 * 1024);
    EXPECT_EQ(bytes.Render(75LL * 1024 * 1024, 3725.0),
              "[######..................] 75.0 MB / 300.0 MB  1:02:05 elapsed  ~3:06:15 left");
}

TEST(StreamInfo, BytesAfterLinesFollowsTheCheckpoints)
{
    const std::string dir = testenv::NewDataDir("cli-scan");
    const std::string file = dir + "/s.sql";
    {
        std::ofstream out(file, std::ios::binary);
        // Mixed line ends: each line is 10 bytes with its end.
        for (int i = 0; i < 10000; ++i) out << (i % 2 ? "SELECT 12\n" : "SELECT 1\r\n");
        out << "LAST";
    }
    const TStreamInfo info = ScanScript(file);
    EXPECT_EQ(info.Size, 100004);
    EXPECT_EQ(info.Lines, 10001);
    EXPECT_EQ(info.BytesAfterLines(0), 0);
    EXPECT_EQ(info.BytesAfterLines(255), 0);
    EXPECT_EQ(info.BytesAfterLines(256), 2560);
    EXPECT_EQ(info.BytesAfterLines(9000), 89600);
    EXPECT_EQ(info.BytesAfterLines(10001), 100004);
}

}  // namespace
