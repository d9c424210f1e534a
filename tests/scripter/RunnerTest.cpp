// The runner core against the embedded engine: the statement loop, the
// generic path with its transaction rules, COMMIT/ROLLBACK, the error path,
// BATCH collection and the component's connection and transaction handling.

#include "RunnerTestDb.h"
#include "TestEnv.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

using runnertest::CreateRepairTables;
using runnertest::kRepairScript;
using runnertest::TChecker;
using runnertest::WithoutCR;

namespace {

const std::string kPassword = "masterkey";

// One event as a handler saw it.
struct TSeen {
    std::string Event;  // "before", "after", "error"
    std::int32_t Line = 0;
    std::int32_t StatementNo = 0;
    bool StatementNil = false;
    std::string Text;  // the statement's lines, each followed by CR LF
    bool Active = false;  // EffectiveTransaction was active when the event fired
};

std::string Joined(const TLineList* lines) { return lines ? lines->Text() : std::string(); }

// A window-like owner holding the connection and the runner, created in that
// order, so the runner goes first when the owner is destroyed.
class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Path = testenv::NewDataDir("runner") + "/runner.fdb";
        runnertest::CreateDatabase(Path, kPassword);
        Owner = std::make_unique<TComponent>();
        runnertest::WireRunner(*Owner, Path, kPassword, CON, SC);
        Checker = std::make_unique<TChecker>(Path, kPassword);
    }

    void TearDown() override
    {
        Checker.reset();
        Owner.reset();
    }

    void Run(std::vector<std::string> lines, std::int32_t from = 1)
    {
        SC->SetScript(TLineList(std::move(lines)));
        SC->ExecuteScript(from);
    }

    // Records every event of the runner into Seen.
    void Record()
    {
        SC->BeforeStatementExecute = [this](TScriptRunner* sender, std::int32_t line, std::int32_t no,
                                            const TStatementDesc&, TLineList* statement) {
            Seen.push_back({"before", line, no, statement == nullptr, Joined(statement),
                            sender->EffectiveTransaction()->Active()});
        };
        SC->AfterStatementExecute = [this](TScriptRunner* sender, std::int32_t line, std::int32_t no,
                                           const TStatementDesc&, TLineList* statement) {
            Seen.push_back({"after", line, no, statement == nullptr, Joined(statement),
                            sender->EffectiveTransaction()->Active()});
        };
    }

    std::vector<std::int32_t> Numbers(const std::string& event) const
    {
        std::vector<std::int32_t> out;
        for (const auto& s : Seen)
            if (s.Event == event) out.push_back(s.StatementNo);
        return out;
    }

    bool Active() const { return SC->EffectiveTransaction()->Active(); }

    std::string Path;
    std::unique_ptr<TComponent> Owner;
    TDatabase* CON = nullptr;
    TScriptRunner* SC = nullptr;
    std::unique_ptr<TChecker> Checker;
    std::vector<TSeen> Seen;
};

// ---------------------------------------------------------------------------

TEST_F(RunnerTest, RepairScriptRunsAsOneCommittedDataDefinition)
{
    ASSERT_EQ(kRepairScript.size(), 31u);
    CreateRepairTables(*Checker);
    SC->SetScript(TLineList(kRepairScript));
    ASSERT_EQ(SC->Transaction(), nullptr);
    ASSERT_TRUE(SC->AutoDDL());

    TLineList sqlSent;
    int paramCount = -1;
    bool internalActive = false, ddl = false;
    Record();
    SC->AfterStatementExecute = [&](TScriptRunner* sender, std::int32_t, std::int32_t, const TStatementDesc&,
                                    TLineList*) {
        sqlSent = sender->ExecQuery().SQL();
        paramCount = sender->ExecQuery().ParamCount();
        ddl = sender->ExecQuery().IsDDL();
        internalActive = sender->EffectiveTransaction()->Active() &&
                         sender->ExecQuery().Transaction() == sender->EffectiveTransaction();
    };
    SC->ExecuteScript(1);

    // One statement, started on demand in the internal transaction, its ":"
    // names left for the trigger language.
    ASSERT_EQ(Numbers("before"), std::vector<std::int32_t>{1});
    EXPECT_EQ(Seen[0].Line, 5);
    EXPECT_FALSE(Seen[0].Active) << "no transaction before the statement";
    const std::vector<std::string> statementLines(kRepairScript.begin() + 4, kRepairScript.begin() + 27);
    EXPECT_EQ(sqlSent, TLineList(statementLines));
    EXPECT_EQ(paramCount, 0);
    EXPECT_TRUE(ddl);
    EXPECT_TRUE(internalActive);

    // Committed at once; nothing left active, the connection still open.
    EXPECT_FALSE(Active());
    EXPECT_TRUE(CON->Connected());
    std::string expectedSource;
    for (size_t i = 6; i < 27; ++i) expectedSource += kRepairScript[i] + "\n";
    EXPECT_EQ(WithoutCR(Checker->Scalar("SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS "
                                        "WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'")),
              WithoutCR(expectedSource));
    EXPECT_EQ(Checker->Scalar("SELECT RDB$TRIGGER_TYPE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'"),
              "8192");  // ON CONNECT

    // A second run (same parsed map) re-creates the same single trigger.
    SC->ExecuteScript(1);
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'"), "1");
    EXPECT_FALSE(Active());
}

TEST_F(RunnerTest, FromStmtSelectsWhereTheRunStarts)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    const std::vector<std::string> five = {
        "INSERT INTO T VALUES (1);", "INSERT INTO T VALUES (2);", "INSERT INTO T VALUES (3);",
        "", "INSERT INTO T VALUES (4);", "INSERT INTO T VALUES (5);",
    };
    struct TCase {
        std::int32_t From;
        std::vector<std::int32_t> Ran;
        std::vector<std::int32_t> Lines;
    };
    const TCase cases[] = {
        {3, {3, 4, 5}, {3, 5, 6}},
        {5, {5}, {6}},
        {6, {}, {}},   // past the end: nothing runs, no error
        {99, {}, {}},
    };
    Record();
    for (const auto& c : cases) {
        SCOPED_TRACE("FromStmt " + std::to_string(c.From));
        Seen.clear();
        Run(five, c.From);
        EXPECT_EQ(Numbers("before"), c.Ran);
        std::vector<std::int32_t> lines;
        for (const auto& s : Seen)
            if (s.Event == "before") lines.push_back(s.Line);
        EXPECT_EQ(lines, c.Lines);
        if (SC->EffectiveTransaction()->Active()) SC->EffectiveTransaction()->Rollback();
    }
}

TEST_F(RunnerTest, FromStmtBelowOneIsRefusedBeforeAnything)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Record();
    SC->SetScript(TLineList({"INSERT INTO T VALUES (1);"}));
    for (std::int32_t from : {0, -1, -2147483647 - 1}) {
        SCOPED_TRACE(from);
        try {
            SC->ExecuteScript(from);
            ADD_FAILURE() << "ExecuteScript accepted " << from;
        } catch (const EDbError&) {
            ADD_FAILURE() << "refusal must not look like a database error";
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().find(std::to_string(from)), std::string::npos) << e.Message();
        }
        EXPECT_FALSE(SC->Parsed()) << "nothing done, not even the parse";
        EXPECT_TRUE(Seen.empty());
        EXPECT_FALSE(Active());
    }
}

TEST_F(RunnerTest, EmptyScriptRunsNothing)
{
    Record();
    for (const auto& script : std::vector<std::vector<std::string>>{{}, {"", "  ", "-- only a comment", ";"}}) {
        Run(script);
        EXPECT_TRUE(SC->Parsed());
        EXPECT_EQ(SC->StatementCount(), 0);
        EXPECT_TRUE(Seen.empty());
    }
}

TEST_F(RunnerTest, GetStatementOutsideTheMapNamesTheNumber)
{
    SC->SetScript(TLineList({"SELECT 1 FROM RDB$DATABASE;", "SELECT 2 FROM RDB$DATABASE;"}));
    SC->Parse(";");
    ASSERT_EQ(SC->StatementCount(), 2);
    TLineList lines;
    const std::int32_t line = SC->GetStatement(2, lines).StartPos.Line;  // packed: copy before comparing
    EXPECT_EQ(line, 1);
    EXPECT_EQ(lines, TLineList({"SELECT 2 FROM RDB$DATABASE"}));
    for (std::int32_t n : {0, 3, -1}) {
        try {
            SC->GetStatement(n, lines);
            ADD_FAILURE() << n;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Statement \xB9" + std::to_string(n) + " don't exist");
        }
    }
    // The descriptor handed out is the stored one.
    EXPECT_EQ(&SC->GetStatement(1, lines), &SC->GetStatement(1, lines));
}

TEST_F(RunnerTest, ChangingALineMakesTheNextRunParseAgain)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Run({"INSERT INTO T VALUES (1);", "COMMIT;"});
    EXPECT_TRUE(SC->Parsed());
    EXPECT_EQ(SC->ClientLib(), kDefaultClientLibrary);

    SC->Script().Put(0, "INSERT INTO T VALUES (2); INSERT INTO T VALUES (3);");
    EXPECT_FALSE(SC->Parsed());
    EXPECT_EQ(SC->StatementCount(), 0) << "the map goes with the old text";
    SC->ExecuteScript(1);
    EXPECT_EQ(SC->StatementCount(), 3);
    EXPECT_EQ(SC->ClientLib(), kDefaultClientLibrary);
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "2", "3"}));
}

// ---------------------------------------------------------------------------
// Transaction rules of the generic path

TEST_F(RunnerTest, AutoDDLCommitsDataDefinitionRightAfterIt)
{
    // AutoDDL on: the table is committed, so the INSERT in the next
    // transaction can use it; the INSERT itself stays uncommitted.
    Run({"CREATE TABLE T (ID INTEGER);", "INSERT INTO T VALUES (1);"});
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T'"), "1");
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "0");
    EXPECT_TRUE(Active()) << "a supplied connection's work stays in the open transaction";
    SC->EffectiveTransaction()->Commit();
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "1");
}

TEST_F(RunnerTest, WithoutAutoDDLTheTableStaysUncommitted)
{
    SC->SetAutoDDL(false);
    SC->SetScript(TLineList({"CREATE TABLE T (ID INTEGER);", "INSERT INTO T VALUES (1);"}));
    // The engine only makes the table usable once it is committed, so the
    // INSERT in the same transaction does not find it.
    try {
        SC->ExecuteScript(1);
        ADD_FAILURE() << "INSERT into an uncommitted table succeeded";
    } catch (const EDbError& e) {
        EXPECT_EQ(e.SQLCode, -204) << e.Message();
    }
    EXPECT_TRUE(Active());
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T'"), "0");
    SC->EffectiveTransaction()->Rollback();
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T'"), "0");
}

TEST_F(RunnerTest, DataDefinitionCommitTakesEarlierWorkAlong)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Run({"INSERT INTO T VALUES (1);", "CREATE INDEX IX_T ON T (ID);"});
    EXPECT_FALSE(Active());
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "1");
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'IX_T'"), "1");
}

TEST_F(RunnerTest, WhichStatementsCountAsDataDefinition)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)", "CREATE INDEX IX_T ON T (ID)", "CREATE GENERATOR G"});
    struct TCase {
        const char* Statement;
        bool Committed;
    };
    const TCase cases[] = {
        {"SET GENERATOR G TO 5;", true},
        {"SET STATISTICS INDEX IX_T;", false},
        {"/* leading comment */ ALTER TABLE T ADD NAME VARCHAR(10);", true},
        {"COMMENT ON TABLE T IS 'x';", true},
        {"UPDATE T SET ID = 2;", false},
        {"SELECT ID FROM T;", false},
        {"EXECUTE BLOCK AS BEGIN END;", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Statement);
        Run({c.Statement});
        EXPECT_EQ(!Active(), c.Committed);
        if (Active()) SC->EffectiveTransaction()->Rollback();
    }
    EXPECT_EQ(Checker->Scalar("SELECT GEN_ID(G, 0) FROM RDB$DATABASE"), "5");
}

TEST_F(RunnerTest, CommitAndRollbackStatements)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    // COMMIT and ROLLBACK with no transaction do nothing and raise nothing.
    Run({"COMMIT;", "ROLLBACK;", "COMMIT WORK;"});
    EXPECT_FALSE(Active());

    // COMMIT RETAIN still ends the transaction.
    Run({"INSERT INTO T VALUES (1);", "COMMIT RETAIN;"});
    EXPECT_FALSE(Active());
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "1");

    Run({"INSERT INTO T VALUES (2);", "ROLLBACK WORK;", "INSERT INTO T VALUES (3);", "COMMIT;"});
    EXPECT_FALSE(Active());
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(RunnerTest, ASelectsResultIsClosedByTheNextStatement)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)", "INSERT INTO T VALUES (1)"});
    std::vector<bool> openSeen;
    SC->AfterStatementExecute = [&](TScriptRunner* s, std::int32_t, std::int32_t, const TStatementDesc&,
                                    TLineList*) { openSeen.push_back(s->ExecQuery().Open()); };
    SC->BeforeStatementExecute = [&](TScriptRunner* s, std::int32_t, std::int32_t, const TStatementDesc&,
                                     TLineList*) { openSeen.push_back(s->ExecQuery().Open()); };
    Run({"SELECT ID FROM T;", "INSERT INTO T VALUES (2);", "COMMIT;"});
    // before SELECT, after SELECT, before INSERT, after INSERT, before COMMIT
    EXPECT_EQ(openSeen, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "2");
}

// ---------------------------------------------------------------------------
// Events and the error path

TEST_F(RunnerTest, EventsCarryLineNumberAndText)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Record();
    Run({"-- header", "INSERT INTO T", "  VALUES (1);  INSERT INTO T VALUES (2);", "COMMIT;"});
    ASSERT_EQ(Seen.size(), 5u);
    EXPECT_EQ(Seen[0].Event, "before");
    EXPECT_EQ(Seen[0].Line, 2);
    EXPECT_EQ(Seen[0].StatementNo, 1);
    EXPECT_EQ(Seen[0].Text, "INSERT INTO T\r\n  VALUES (1)\r\n");
    EXPECT_FALSE(Seen[0].Active);
    EXPECT_EQ(Seen[1].Event, "after");
    EXPECT_TRUE(Seen[1].Active);
    EXPECT_EQ(Seen[2].Line, 3);
    EXPECT_EQ(Seen[2].StatementNo, 2);
    EXPECT_EQ(Seen[2].Text, "INSERT INTO T VALUES (2)\r\n");
    EXPECT_EQ(Seen[4].Event, "before") << "COMMIT fires no after-event";
    EXPECT_EQ(Seen[4].StatementNo, 3);
}

struct THandlerCase {
    const char* Name;
    bool SetRollBack;  // the handler's answers
    bool SetStop;
    std::vector<std::int32_t> Ran;  // statements that reached BeforeStatementExecute
    bool ActiveAfter;
    std::vector<std::string> CommittedRows;
};

void PrintTo(const THandlerCase& c, std::ostream* os) { *os << c.Name; }

class RunnerHandlerTest : public RunnerTest, public ::testing::WithParamInterface<THandlerCase> {};

TEST_P(RunnerHandlerTest, HandlerReceivesTheFailureAndDecides)
{
    const THandlerCase& c = GetParam();
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Record();
    struct TCall {
        std::int32_t No, Line, SQLCode;
        std::string Statement, Msg;
        bool RollBack, Stop, StopIsField;
    };
    std::vector<TCall> calls;
    SC->OnExecuteError = [&](TScriptRunner* sender, std::int32_t no, std::int32_t line, TLineList* statement,
                             std::int32_t sqlCode, const std::string& msg, bool& doRollBack, bool& stop) {
        calls.push_back({no, line, sqlCode, Joined(statement), msg, doRollBack, stop, sender->StopRequested()});
        doRollBack = c.SetRollBack;
        stop = c.SetStop;
    };
    Run({"INSERT INTO T VALUES (1);", "", "INSERT INTO NOSUCH", "VALUES (2);", "INSERT INTO T VALUES (3);",
         "COMMIT;"});

    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].No, 2);
    EXPECT_EQ(calls[0].Line, 3);
    EXPECT_EQ(calls[0].SQLCode, -204);
    EXPECT_NE(calls[0].Msg.find("NOSUCH"), std::string::npos) << calls[0].Msg;
    EXPECT_EQ(calls[0].Statement, "INSERT INTO NOSUCH\r\nVALUES (2)\r\n");
    EXPECT_TRUE(calls[0].RollBack);
    EXPECT_TRUE(calls[0].Stop);
    EXPECT_TRUE(calls[0].StopIsField) << "the stop request is set before the handler runs";

    EXPECT_EQ(Numbers("before"), c.Ran);
    EXPECT_EQ(Numbers("after"), (c.SetStop ? std::vector<std::int32_t>{1} : std::vector<std::int32_t>{1, 3}));
    EXPECT_EQ(Active(), c.ActiveAfter);
    EXPECT_EQ(SC->StopRequested(), c.SetStop);
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), c.CommittedRows);
    if (Active()) {
        // What is left active still holds the work before the failure.
        SC->EffectiveTransaction()->Commit();
        EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), std::vector<std::string>{"1"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RunnerHandlerTest,
    ::testing::Values(
        // Defaults: roll back, stop after the failing statement.
        THandlerCase{"Defaults", true, true, {1, 2}, false, {}},
        // Keep the work and go on: the COMMIT at the end takes rows 1 and 3.
        THandlerCase{"KeepAndContinue", false, false, {1, 2, 3, 4}, false, {"1", "3"}},
        // Keep the work but stop: it stays in the active transaction.
        THandlerCase{"KeepAndStop", false, true, {1, 2}, true, {}},
        // Roll back and go on: row 1 is lost, row 3 committed.
        THandlerCase{"RollBackAndContinue", true, false, {1, 2, 3, 4}, false, {"3"}}),
    [](const ::testing::TestParamInfo<THandlerCase>& info) { return std::string(info.param.Name); });

TEST_F(RunnerTest, WithoutHandlerTheFailureLeavesTheRunUntouched)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Record();
    SC->SetScript(TLineList({"INSERT INTO T VALUES (1);", "INSERT INTO NOSUCH VALUES (2);", "COMMIT;"}));
    try {
        SC->ExecuteScript(1);
        ADD_FAILURE() << "no exception";
    } catch (const EDbServerError& e) {
        EXPECT_EQ(e.SQLCode, -204);
    }
    EXPECT_FALSE(SC->StopRequested());
    EXPECT_EQ(Numbers("before"), (std::vector<std::int32_t>{1, 2}));
    EXPECT_TRUE(Active()) << "no rollback without a handler";
    SC->EffectiveTransaction()->Commit();
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "1");
}

TEST_F(RunnerTest, FailingCommitIsHandledAndRolledBack)
{
    // A commit trigger that refuses to commit a transaction holding row 666.
    Checker->Exec({"CREATE TABLE T (ID INTEGER)", "CREATE EXCEPTION E_NO_COMMIT 'commit refused'"});
    Checker->Exec({"CREATE TRIGGER T_NO_COMMIT ON TRANSACTION COMMIT AS BEGIN "
                   "IF (EXISTS (SELECT 1 FROM T WHERE ID = 666)) THEN EXCEPTION E_NO_COMMIT; END"});
    // An attachment takes up the database triggers that exist when it attaches.
    CON->Close();
    CON->Open();

    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "handler sets doRollBack" : "handler clears doRollBack");
        std::vector<bool> rollBackOnEntry;
        std::string message;
        SC->OnExecuteError = [&](TScriptRunner*, std::int32_t no, std::int32_t line, TLineList*, std::int32_t,
                                 const std::string& msg, bool& doRollBack, bool& stop) {
            EXPECT_EQ(no, 2);
            EXPECT_EQ(line, 2);
            EXPECT_TRUE(stop);
            rollBackOnEntry.push_back(doRollBack);
            message = msg;
            doRollBack = answer;
        };
        Run({"INSERT INTO T VALUES (666);", "COMMIT;", "INSERT INTO T VALUES (1);"});
        EXPECT_EQ(rollBackOnEntry, std::vector<bool>{false});
        EXPECT_NE(message.find("ommit refused"), std::string::npos) << message;
        EXPECT_FALSE(Active()) << "the failed transaction is rolled back whatever the answer";
        EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "0");
    }

    // Without a handler the failure leaves the run and the transaction open.
    SC->OnExecuteError = nullptr;
    SC->SetScript(TLineList({"INSERT INTO T VALUES (666);", "COMMIT;"}));
    EXPECT_THROW(SC->ExecuteScript(1), EDbError);
    EXPECT_TRUE(Active());
    SC->EffectiveTransaction()->Rollback();
}

TEST_F(RunnerTest, SkipRequestPassesOverAStatement)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    std::vector<std::int32_t> after;
    SC->BeforeStatementExecute = [](TScriptRunner* s, std::int32_t, std::int32_t no, const TStatementDesc&,
                                    TLineList*) {
        if (no == 2 || no == 4) s->SetSkipStatement(true);
    };
    SC->AfterStatementExecute = [&](TScriptRunner*, std::int32_t, std::int32_t no, const TStatementDesc&,
                                    TLineList*) { after.push_back(no); };
    // Statement 4, a COMMIT, is skipped too; statement 5 commits.
    Run({"INSERT INTO T VALUES (1);", "INSERT INTO T VALUES (2);", "INSERT INTO T VALUES (3);", "COMMIT;",
         "COMMIT;"});
    EXPECT_EQ(after, (std::vector<std::int32_t>{1, 3}));
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "3"}));

    // A skipped first statement does not start a transaction.
    SC->BeforeStatementExecute = [](TScriptRunner* s, std::int32_t, std::int32_t, const TStatementDesc&,
                                    TLineList*) { s->SetSkipStatement(true); };
    Run({"INSERT INTO T VALUES (4);"});
    EXPECT_FALSE(Active());
}

TEST_F(RunnerTest, ColonWithoutNameFailsBeforeAnyTransaction)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    bool handlerCalled = false;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) { handlerCalled = true; };
    SC->SetScript(TLineList({"INSERT INTO T (ID) VALUES (:);", "INSERT INTO T VALUES (2);"}));
    try {
        SC->ExecuteScript(1);
        ADD_FAILURE() << "no exception";
    } catch (const EDbError& e) {
        EXPECT_NE(e.Message().find("Parameter name expected"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(handlerCalled);
    EXPECT_FALSE(SC->StopRequested());
    EXPECT_FALSE(Active());
}

TEST_F(RunnerTest, AHandlerThatThrowsReplacesTheFailure)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    SC->OnExecuteError = [](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                            const std::string&, bool&, bool&) { throw Exception("handler gave up"); };
    SC->SetScript(TLineList({"INSERT INTO T VALUES (1);", "INSERT INTO NOSUCH VALUES (2);"}));
    try {
        SC->ExecuteScript(1);
        ADD_FAILURE() << "no exception";
    } catch (const EDbError&) {
        ADD_FAILURE() << "the database error came through";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "handler gave up");
    }
    EXPECT_TRUE(Active()) << "no rollback after a handler that failed";
}

TEST_F(RunnerTest, ExecuteStatementDirectly)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    SC->SetScript(TLineList({"INSERT INTO NOSUCH VALUES (1);"}));
    SC->Parse(";");
    TLineList lines;
    TStatementDesc& desc = SC->GetStatement(1, lines);
    Record();

    // No descriptor: nothing happens.
    SC->ExecuteStatement(&lines, nullptr, 0, &lines, -1);
    EXPECT_TRUE(Seen.empty());

    // A caller's line number goes to the statement events; the error event
    // takes the descriptor's line.
    std::int32_t errorLine = 0, errorNo = 0;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t no, std::int32_t line, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) {
        errorNo = no;
        errorLine = line;
    };
    SC->ExecuteStatement(&lines, &desc, 6, &lines, 42);
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Line, 42);
    EXPECT_EQ(Seen[0].StatementNo, 7);
    EXPECT_EQ(errorLine, 1);
    EXPECT_EQ(errorNo, 7);
}

// ---------------------------------------------------------------------------
// BATCH

TEST_F(RunnerTest, BatchCollectsAndExecutesInOneStep)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Record();
    std::vector<std::string> collected;
    SC->BeforeStatementExecute = [&](TScriptRunner* s, std::int32_t line, std::int32_t no, const TStatementDesc&,
                                     TLineList* statement) {
        Seen.push_back({"before", line, no, statement == nullptr, "", s->EffectiveTransaction()->Active()});
        collected = s->BatchStatements();
    };
    Run({"BATCH START;", "INSERT INTO T", "VALUES (1);", "INSERT INTO T VALUES (2);", "BATCH EXECUTE;"});

    ASSERT_EQ(Seen.size(), 1u) << "only BATCH EXECUTE fires an event";
    EXPECT_EQ(Seen[0].StatementNo, 4);
    EXPECT_EQ(Seen[0].Line, 5);
    EXPECT_TRUE(Seen[0].StatementNil);
    EXPECT_TRUE(Seen[0].Active) << "the transaction is started before the event";
    EXPECT_EQ(collected, (std::vector<std::string>{"INSERT INTO T\r\nVALUES (1)\r\n", "INSERT INTO T VALUES (2)\r\n"}));
    EXPECT_FALSE(SC->InBatch());
    EXPECT_TRUE(SC->BatchStatements().empty());
    EXPECT_TRUE(Active()) << "no commit follows a batch";
    SC->EffectiveTransaction()->Commit();
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(RunnerTest, BatchOnlyCollectsWhateverTheKind)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Record();
    // A COMMIT and a CONNECT inside the batch are not interpreted.
    Run({"BATCH START;", "INSERT INTO T VALUES (1);", "COMMIT;", "CONNECT 'nowhere.fdb';"});
    EXPECT_TRUE(Seen.empty());
    EXPECT_TRUE(SC->InBatch());
    EXPECT_EQ(SC->BatchStatements(),
              (std::vector<std::string>{"INSERT INTO T VALUES (1)\r\n", "COMMIT\r\n", "CONNECT 'nowhere.fdb'\r\n"}));
    EXPECT_FALSE(Active());

    // A run that ends inside a batch leaves the runner collecting: the next
    // run's statements join the collection until its BATCH EXECUTE.
    SC->BeforeStatementExecute = nullptr;
    SC->SetScript(TLineList({"BATCH START;", "INSERT INTO T VALUES (1);"}));
    SC->ExecuteScript(1);
    EXPECT_EQ(SC->BatchStatements(), std::vector<std::string>{"INSERT INTO T VALUES (1)\r\n"});
    SC->SetScript(TLineList({"INSERT INTO T VALUES (2);", "BATCH EXECUTE;", "COMMIT;"}));
    SC->ExecuteScript(1);
    EXPECT_FALSE(SC->InBatch());
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(RunnerTest, FailingBatchPropagatesAndKeepsItsTexts)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    bool handlerCalled = false;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) { handlerCalled = true; };
    SC->SetScript(TLineList({"BATCH START;", "INSERT INTO T VALUES (1);", "INSERT INTO NOSUCH VALUES (2);",
                             "BATCH EXECUTE;", "INSERT INTO T VALUES (3);"}));
    EXPECT_THROW(SC->ExecuteScript(1), EDbError);
    EXPECT_FALSE(handlerCalled);
    EXPECT_FALSE(SC->InBatch());
    EXPECT_EQ(SC->BatchStatements().size(), 2u);
    if (Active()) SC->EffectiveTransaction()->Rollback();
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "0");
}

// ---------------------------------------------------------------------------
// The component: ownership, Database, Transaction, removal notices

TEST_F(RunnerTest, OwnsItsTransactionAndStatementComponent)
{
    TScriptRunner runner;
    ASSERT_EQ(runner.ComponentCount(), 2);
    auto* transaction = dynamic_cast<TTransaction*>(runner.Components(0));
    auto* query = dynamic_cast<TQuery*>(runner.Components(1));
    ASSERT_NE(transaction, nullptr);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(&runner.ExecQuery(), query);
    EXPECT_EQ(query->Transaction(), transaction);
    EXPECT_EQ(runner.EffectiveTransaction(), transaction);
    EXPECT_EQ(transaction->TimeoutAction, TTransactionAction::TARollback);
    EXPECT_EQ(transaction->TPBMode, TTPBMode::tpbReadCommitted);
    EXPECT_TRUE(runner.AutoDDL());
    EXPECT_EQ(runner.ScriptDialect(), 3);
    EXPECT_TRUE(runner.ClientLib().empty());
    EXPECT_EQ(runner.Database(), nullptr);
    EXPECT_EQ(runner.Transaction(), nullptr);
    EXPECT_FALSE(runner.Parsed());
}

TEST_F(RunnerTest, ChangingDatabaseCommitsTheOpenTransaction)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Run({"INSERT INTO T VALUES (1);"});
    ASSERT_TRUE(Active());
    SC->SetDatabase(nullptr);
    EXPECT_FALSE(Active());
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "1");
    EXPECT_EQ(SC->ExecQuery().Database(), nullptr);
    EXPECT_EQ(SC->EffectiveTransaction()->DefaultDatabase(), nullptr);
    EXPECT_TRUE(CON->Connected()) << "a supplied connection is not the runner's to close";

    // Without a connection a statement fails in the access layer, through
    // the error path.
    std::int32_t calls = 0;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) { ++calls; };
    Run({"INSERT INTO T VALUES (2);"});
    EXPECT_EQ(calls, 1);

    SC->SetDatabase(CON);
    SC->OnExecuteError = nullptr;
    Run({"INSERT INTO T VALUES (3);", "COMMIT;"});
    EXPECT_EQ(Checker->Rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(RunnerTest, UserTransactionIsUsedAndForgottenWhenDestroyed)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    auto* TR = new TTransaction(Owner.get());
    SC->SetTransaction(TR);
    EXPECT_EQ(TR->DefaultDatabase(), CON);
    EXPECT_EQ(SC->EffectiveTransaction(), TR);
    Run({"INSERT INTO T VALUES (1);"});
    EXPECT_TRUE(TR->Active());
    TR->Commit();
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "1");

    // Destroying it puts the runner back on its internal transaction.
    delete TR;
    EXPECT_EQ(SC->Transaction(), nullptr);
    EXPECT_EQ(SC->ExecQuery().Transaction(), SC->EffectiveTransaction());
    Run({"INSERT INTO T VALUES (2);", "COMMIT;"});
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "2");

    // Unsetting it neither commits nor rolls it back.
    auto* other = new TTransaction(Owner.get());
    SC->SetTransaction(other);
    Run({"INSERT INTO T VALUES (3);"});
    SC->SetTransaction(nullptr);
    EXPECT_TRUE(other->Active());
    EXPECT_EQ(SC->ExecQuery().Transaction(), SC->EffectiveTransaction());
    other->Rollback();
}

TEST_F(RunnerTest, DestroyedConnectionIsForgotten)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    Run({"INSERT INTO T VALUES (1);"});
    delete CON;  // rolls the runner's transaction back with it
    CON = nullptr;
    EXPECT_EQ(SC->Database(), nullptr);
    EXPECT_FALSE(Active());
    EXPECT_EQ(Checker->Scalar("SELECT COUNT(*) FROM T"), "0");
    std::int32_t calls = 0;
    SC->OnExecuteError = [&](TScriptRunner*, std::int32_t, std::int32_t, TLineList*, std::int32_t,
                             const std::string&, bool&, bool&) { ++calls; };
    Run({"INSERT INTO T VALUES (2);"});
    EXPECT_EQ(calls, 1);
}

TEST_F(RunnerTest, ScriptCannotChangeWhileItRuns)
{
    Checker->Exec({"CREATE TABLE T (ID INTEGER)"});
    SC->BeforeStatementExecute = [](TScriptRunner* s, std::int32_t, std::int32_t, const TStatementDesc&,
                                    TLineList*) { s->Script().Add("DROP TABLE T;"); };
    SC->SetScript(TLineList({"INSERT INTO T VALUES (1);", "INSERT INTO T VALUES (2);"}));
    try {
        SC->ExecuteScript(1);
        ADD_FAILURE() << "the script changed under the run";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("running"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(SC->Script().Count(), 2);
    EXPECT_TRUE(SC->Parsed());

    // Nor can a second run start inside the first.
    SC->BeforeStatementExecute = [](TScriptRunner* s, std::int32_t, std::int32_t, const TStatementDesc&,
                                    TLineList*) { s->ExecuteScript(1); };
    EXPECT_THROW(SC->ExecuteScript(1), Exception);
    // After the run the script may change again.
    SC->BeforeStatementExecute = nullptr;
    SC->Script().Add("COMMIT;");
    EXPECT_FALSE(SC->Parsed());
}

}  // namespace
