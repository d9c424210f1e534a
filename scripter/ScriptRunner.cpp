// The runner core: the component and its properties, the statement map, the
// statement loop with BATCH collection, the per-statement executor (generic
// path, COMMIT, ROLLBACK) and the error path shared with CONNECT and CREATE
// DATABASE. The runner's own commands live in ScriptRunnerConnect.cpp,
// ScriptRunnerDescribe.cpp and ScriptRunnerInput.cpp.

#include "scripter/ScriptRunner.h"

#include "base/Exception.h"
#include "dbaccess/DbError.h"
#include "scripter/StatementText.h"

#include <string>

namespace {

// Points a transaction at a connection; skipped when it already is, so that an
// active transaction on the same connection is not refused for nothing.
void SetTransactionDatabase(TTransaction* transaction, TDatabase* connection)
{
    if (transaction && transaction->DefaultDatabase() != connection)
        transaction->SetDefaultDatabase(connection);
}

// Clears a flag when the scope ends, however it ends.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& FFlag;
};

}  // namespace

TScriptRunner::TScriptRunner(TComponent* owner) : TComponent(owner)
{
    FLines.SetOnChanging([this] {
        // The loop holds a reference into the map; dropping it mid-run would
        // leave that reference dangling.
        if (FRunning) throw Exception("The script cannot be changed while it is running");
        FScriptMap.clear();
        FParsed = false;
    });
    FParser = std::make_unique<TScriptParser>();
    FInternalTransaction = new TTransaction(this);
    FInternalTransaction->TimeoutAction = TTransactionAction::TARollback;
    FInternalTransaction->TPBMode = TTPBMode::tpbReadCommitted;
    FExecQuery = new TQuery(this);
    FExecQuery->SetTransaction(FInternalTransaction);
    FScriptDialect = 3;
    FAutoCommitDDL = true;
}

TScriptRunner::~TScriptRunner()
{
    // No transaction is ended here: the owned components, destroyed by the
    // base, end theirs as their TimeoutAction says.
    FLines.SetOnChanging(nullptr);
    FScriptMap.clear();
    FBlobFile.reset();
}

void TScriptRunner::SetScript(const TLineList& lines)
{
    if (&lines == &FLines) return;
    FLines.Assign(lines);
}

void TScriptRunner::SetDatabase(TDatabase* connection)
{
    TTransaction* effective = EffectiveTransaction();
    if (effective->Active()) effective->Commit();

    if (FConnection && FOwnDatabase && (!connection || connection->Owner() != this)) {
        TDatabase* own = FConnection;
        FConnection = nullptr;
        FOwnDatabase = false;
        delete own;
    }

    if (FConnection && FConnection != connection) RemoveFreeNotification(FConnection);
    FConnection = connection;
    if (FConnection) FConnection->FreeNotification(this);

    SetTransactionDatabase(FInternalTransaction, FConnection);
    SetTransactionDatabase(FUserTransaction, FConnection);

    FExecQuery->SetDatabase(FConnection);
    FExecQuery->SetTransaction(EffectiveTransaction());
}

void TScriptRunner::SetTransaction(TTransaction* transaction)
{
    if (FUserTransaction && FUserTransaction != transaction) RemoveFreeNotification(FUserTransaction);
    FUserTransaction = transaction;
    if (FUserTransaction) {
        FUserTransaction->FreeNotification(this);
        SetTransactionDatabase(FUserTransaction, FConnection);
        FExecQuery->SetTransaction(FUserTransaction);
    } else {
        FExecQuery->SetTransaction(FInternalTransaction);
    }
}

TTransaction* TScriptRunner::EffectiveTransaction() const
{
    return FUserTransaction ? FUserTransaction : FInternalTransaction;
}

void TScriptRunner::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove || !component) return;
    if (component == FConnection) {
        FConnection = nullptr;
        FOwnDatabase = false;
    } else if (component == FUserTransaction) {
        FUserTransaction = nullptr;
        // Otherwise the statement component would be left without a
        // transaction while the internal one is the effective one again.
        if (FExecQuery) FExecQuery->SetTransaction(FInternalTransaction);
    }
}

// ---------------------------------------------------------------------------
// The statement map

void TScriptRunner::Parse(const std::string& terminator)
{
    // The client library is reset by every parse. The platform's own library
    // name stands in for "gds32.dll", which cannot be loaded off Windows.
    FClientLib = kDefaultClientLibrary;
    std::string term = terminator;  // a SET TERM changes only this copy
    FParsed = false;
    FParser->ParseScript(FLines, term, FScriptMap, true);
    FParsed = true;
}

TStatementDesc& TScriptRunner::GetStatement(std::int32_t N, TLineList& lines)
{
    if (N < 1 || N > StatementCount())
        throw Exception("Statement " + std::string(1, '\xB9') + std::to_string(N) + " don't exist");
    TStatementDesc& desc = FScriptMap[static_cast<size_t>(N - 1)];
    // The map's positions belong to the script itself, also while a file run
    // has swapped in its buffer.
    ::ExtractStatementText(FLines, desc.StartPos, desc.EndPos, lines);
    return desc;
}

void TScriptRunner::ExtractStatementText(TTextPos start, TTextPos end, TLineList& lines) const
{
    ::ExtractStatementText(*FCurrentLines, start, end, lines);
}

// ---------------------------------------------------------------------------
// The statement loop

void TScriptRunner::ExecuteScript(std::int32_t FromStmt)
{
    if (FromStmt < 1)
        throw Exception("ExecuteScript: the first statement number must be at least 1, not " +
                        std::to_string(FromStmt));
    if (FRunning) throw Exception("ExecuteScript: a run is already in progress");

    FStop = false;
    if (!FParsed) Parse(";");
    FScriptDialect = 3;
    FNamesCharSet.clear();

    TLineList runLines;  // refilled for every statement
    try {
        TFlagGuard running(FRunning);
        const std::int32_t count = StatementCount();
        for (std::int32_t n = FromStmt; n <= count; ++n) {
            if (FStop) break;
            RunLoopStatement(GetStatement(n, runLines), runLines, n, -1);
        }
    } catch (...) {
        // A failure of the clean-up replaces the one on its way.
        EndOfRun(false);
        throw;
    }
    EndOfRun(false);
}

// BATCH START and BATCH EXECUTE act here; inside a batch the text is only
// collected (every line followed by CR LF, no terminator); anything else is
// executed. LineNo -1: the events report the statement's own line.
void TScriptRunner::RunLoopStatement(TStatementDesc& Desc, TLineList& Text, std::int32_t StatementNo,
                                     std::int32_t LineNo)
{
    switch (Desc.Kind) {
    case TStatementKind::skBatchStart:
        FInBatch = true;
        FBatchStatements.clear();
        break;
    case TStatementKind::skBatchExecute:
        ExecuteBatchNow(LineNo != -1 ? LineNo : Desc.StartPos.Line + 1, StatementNo, Desc);
        break;
    default:
        if (FInBatch)
            FBatchStatements.push_back(Text.Text());
        else
            ExecuteStatement(&Text, &Desc, StatementNo - 1, &Text, LineNo);
        break;
    }
}

void TScriptRunner::ExecuteBatchNow(std::int32_t Line, std::int32_t StatementNo, const TStatementDesc& Desc)
{
    FInBatch = false;
    TTransaction* transaction = EffectiveTransaction();
    if (!transaction->Active()) transaction->StartTransaction();
    FireStatementEvent(BeforeStatementExecute, Line, StatementNo, Desc, nullptr);
    if (FExecQuery->Open()) FExecQuery->Close();
    FExecQuery->ExecuteBatch(FBatchStatements);
    FBatchStatements.clear();
}

void TScriptRunner::EndOfRun(bool fileRun)
{
    if (FForcedWritesOff && FConnection) {
        // Closing the connection rolls its transactions back; an own
        // connection's work is committed at the end of the run anyway, so
        // commit it before the reconnect rather than lose it.
        if (FOwnDatabase) {
            TTransaction* transaction = EffectiveTransaction();
            if (transaction->Active()) transaction->Commit();
        }
        FConnection->SetConnected(false);
        FConnection->DBParams().SetValue("force_write", "1");
        if (fileRun) FConnection->DBParams().SetValue("no_reserve", "0");
        FConnection->SetConnected(true);
    }
    if (FOwnDatabase) {
        TTransaction* transaction = EffectiveTransaction();
        if (transaction->Active()) transaction->Commit();
        SetDatabase(nullptr);
    }
    if (FBlobFile) CloseBlobFile();
}

// ---------------------------------------------------------------------------
// One statement

void TScriptRunner::FireStatementEvent(const TOnStatementExecute& event, std::int32_t Line,
                                       std::int32_t StatementNo, const TStatementDesc& Desc,
                                       TLineList* Statement)
{
    if (event) event(this, Line, StatementNo, Desc, Statement);
}

void TScriptRunner::ExecuteStatement(TLineList* Statement, TStatementDesc* Desc, std::int32_t StatementIndex,
                                     TLineList* WorkList, std::int32_t LineNo)
{
    if (!Desc) return;
    // A SELECT run as the previous statement leaves its result open.
    if (FExecQuery->Open()) FExecQuery->Close();

    TLineList temporary;
    if (!WorkList) WorkList = &temporary;

    FSkipStatement = false;
    const std::int32_t line = LineNo != -1 ? LineNo : Desc->StartPos.Line + 1;
    FireStatementEvent(BeforeStatementExecute, line, StatementIndex + 1, *Desc, Statement);
    if (FSkipStatement) return;

    switch (Desc->Kind) {
    case TStatementKind::skConnect: ExecuteConnect(*Desc, StatementIndex, *WorkList); break;
    case TStatementKind::skDisconnect: ExecuteDisconnect(); break;
    case TStatementKind::skReconnect: ExecuteReconnect(); break;
    case TStatementKind::skCreateDatabase: ExecuteCreateDatabase(*Desc, StatementIndex, *WorkList); break;
    case TStatementKind::skDropDatabase: ExecuteDropDatabase(*Desc); break;
    case TStatementKind::skCommit: ExecuteCommit(*Desc, StatementIndex, *WorkList); break;
    case TStatementKind::skRollback: ExecuteRollback(); break;
    case TStatementKind::skSet: ExecuteSet(*Desc); break;
    case TStatementKind::skDescribe: ExecuteDescribe(*Desc); break;
    case TStatementKind::skInput: ExecuteInput(*Desc); break;
    default: ExecuteGeneric(Statement, *Desc, StatementIndex, *WorkList, LineNo); break;
    }
}

void TScriptRunner::ExecuteGeneric(TLineList* Statement, TStatementDesc& Desc, std::int32_t StatementIndex,
                                   TLineList& WorkList, std::int32_t LineNo)
{
    // Outside the error path: a bad parameter marker is found here and is the
    // script's fault, not the database's.
    FExecQuery->SetSQL(WorkList);
    try {
        TTransaction* transaction = EffectiveTransaction();
        if (!transaction->Active()) transaction->StartTransaction();
        if (!FBlobFileName.empty() && FExecQuery->ParamCount() > 0) LoadBlobParams();
        FExecQuery->ExecQuery();
        const std::int32_t line = LineNo != -1 ? LineNo : Desc.StartPos.Line + 1;
        FireStatementEvent(AfterStatementExecute, line, StatementIndex + 1, Desc, Statement);
        if (FAutoCommitDDL && FExecQuery->IsDDL()) {
            TTransaction* own = FExecQuery->Transaction() ? FExecQuery->Transaction() : transaction;
            own->Commit();
        }
    } catch (const EDbError& error) {
        HandleError(error, TErrorSite::esGeneric, Desc, StatementIndex, WorkList);
    }
}

void TScriptRunner::ExecuteCommit(TStatementDesc& Desc, std::int32_t StatementIndex, TLineList& WorkList)
{
    // The words after COMMIT (WORK, RETAIN) are not read: it always ends the
    // transaction.
    TTransaction* transaction = EffectiveTransaction();
    if (!transaction->Active()) return;
    try {
        transaction->Commit();
    } catch (const EDbError& error) {
        HandleError(error, TErrorSite::esCommit, Desc, StatementIndex, WorkList);
    }
}

void TScriptRunner::ExecuteRollback()
{
    TTransaction* transaction = EffectiveTransaction();
    if (transaction->Active()) transaction->Rollback();
}

// Called only from inside a catch block for `error`: without a handler the
// failure is rethrown as it came, with its own class.
void TScriptRunner::HandleError(const EDbError& error, TErrorSite site, TStatementDesc& Desc,
                                std::int32_t StatementIndex, TLineList& WorkList)
{
    if (!OnExecuteError) throw;
    FStop = true;
    bool doRollBack = site == TErrorSite::esGeneric;
    OnExecuteError(this, StatementIndex + 1, Desc.StartPos.Line + 1, &WorkList, error.SQLCode, error.Message(),
                   doRollBack, FStop);
    TTransaction* transaction = EffectiveTransaction();
    switch (site) {
    case TErrorSite::esGeneric:
        // The failure may have come from starting the transaction itself.
        if (doRollBack && transaction->Active()) transaction->Rollback();
        break;
    case TErrorSite::esCommit:
        if (transaction->Active()) transaction->Rollback();
        break;
    case TErrorSite::esConnect:
        break;
    }
}
