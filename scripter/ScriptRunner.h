#pragma once
// TScriptRunner: holds a SQL script, has it parsed into a statement map and
// executes the statements one after another through the access layer, with
// events before and after each statement and an error event that can stop the
// run or roll back. Besides plain SQL it carries out commands of its own:
// CONNECT, CREATE/DROP DATABASE, DISCONNECT, RECONNECT, COMMIT, ROLLBACK,
// SET AUTODDL/SQL DIALECT/NAMES/CLIENTLIB/BLOBFILE, DESCRIBE, INPUT and
// BATCH START/EXECUTE.

#include "base/Component.h"
#include "base/LineList.h"
#include "dbaccess/Database.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"
#include "scripter/ScriptParser.h"
#include "scripter/StatementModel.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TScriptRunner;

// BeforeStatementExecute / AfterStatementExecute. `Statement` is nullptr for
// BATCH EXECUTE.
using TOnStatementExecute = std::function<void(TScriptRunner* Sender, std::int32_t Line,
                                               std::int32_t StatementNo, const TStatementDesc& Desc,
                                               TLineList* Statement)>;
// OnExecuteError. `Stop` refers to the runner's own stop request.
using TOnSQLScriptExecError = std::function<void(
    TScriptRunner* Sender, std::int32_t StatementNo, std::int32_t Line, TLineList* Statement,
    std::int32_t SQLCode, const std::string& Msg, bool& doRollBack, bool& Stop)>;

using TDynStringArray = std::vector<std::string>;

class TScriptRunner : public TComponent {
public:
    explicit TScriptRunner(TComponent* owner = nullptr);
    ~TScriptRunner() override;

    // Published properties.
    TLineList& Script() { return FLines; }
    const TLineList& Script() const { return FLines; }
    void SetScript(const TLineList& lines);
    TDatabase* Database() const { return FConnection; }
    void SetDatabase(TDatabase* connection);
    TTransaction* Transaction() const { return FUserTransaction; }
    void SetTransaction(TTransaction* transaction);
    TOnSQLScriptExecError OnExecuteError;
    bool AutoDDL() const { return FAutoCommitDDL; }
    void SetAutoDDL(bool value) { FAutoCommitDDL = value; }
    TOnStatementExecute BeforeStatementExecute;
    TOnStatementExecute AfterStatementExecute;

    // The transaction every statement runs in: Transaction, else the internal one.
    TTransaction* EffectiveTransaction() const;

    // Runs statements FromStmt (1-based, at least 1) to the last.
    void ExecuteScript(std::int32_t FromStmt);
    // Runs a script file read line by line (INPUT, or the application).
    void ExecuteFromFile(const std::string& FileName, const std::string& Terminator);

    // The statement map.
    void Parse(const std::string& terminator);
    std::int32_t StatementCount() const { return static_cast<std::int32_t>(FScriptMap.size()); }
    // Fills `lines` with statement N's text; returns its descriptor (not a copy).
    TStatementDesc& GetStatement(std::int32_t N, TLineList& lines);
    void ExtractStatementText(TTextPos start, TTextPos end, TLineList& lines) const;
    bool Parsed() const { return FParsed; }
    TScriptParser& Parser() { return *FParser; }

    // A BeforeStatementExecute handler sets this to skip the statement.
    bool SkipStatement() const { return FSkipStatement; }
    void SetSkipStatement(bool value) { FSkipStatement = value; }
    // The stop request (the error event's Stop refers to it).
    bool StopRequested() const { return FStop; }

    // Script settings, readable for callers and tests.
    std::int32_t ScriptDialect() const { return FScriptDialect; }
    const std::string& ClientLib() const { return FClientLib; }
    const std::string& NamesCharSet() const { return FNamesCharSet; }
    const std::string& BlobFileName() const { return FBlobFileName; }
    bool BlobFileOpen() const { return FBlobFile != nullptr; }
    bool OwnDatabase() const { return FOwnDatabase; }
    bool ForcedWritesOff() const { return FForcedWritesOff; }
    bool InBatch() const { return FInBatch; }
    const TDynStringArray& BatchStatements() const { return FBatchStatements; }
    TQuery& ExecQuery() { return *FExecQuery; }

    // Executes one statement (the loop of ExecuteScript and the file run).
    void ExecuteStatement(TLineList* Statement, TStatementDesc* Desc, std::int32_t StatementIndex,
                          TLineList* WorkList, std::int32_t LineNo);

    static std::int32_t HexToInt(const std::string& Text);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    // Generic path, COMMIT, ROLLBACK and the error path (ScriptRunner.cpp).
    void ExecuteGeneric(TLineList* Statement, TStatementDesc& Desc, std::int32_t StatementIndex,
                        TLineList& WorkList, std::int32_t LineNo);
    void ExecuteCommit(TStatementDesc& Desc, std::int32_t StatementIndex, TLineList& WorkList);
    void ExecuteRollback();
    enum class TErrorSite : std::uint8_t { esGeneric = 0, esCommit = 1, esConnect = 2 };
    // Routes an access-layer failure to OnExecuteError; rethrows when unassigned.
    void HandleError(const class EDbError& error, TErrorSite site, TStatementDesc& Desc,
                     std::int32_t StatementIndex, TLineList& WorkList);
    void FireStatementEvent(const TOnStatementExecute& event, std::int32_t Line, std::int32_t StatementNo,
                            const TStatementDesc& Desc, TLineList* Statement);
    void ExecuteBatchNow(std::int32_t Line, std::int32_t StatementNo, const TStatementDesc& Desc);
    // One statement as the script loop and the file run meet it.
    void RunLoopStatement(TStatementDesc& Desc, TLineList& Text, std::int32_t StatementNo, std::int32_t LineNo);
    void EndOfRun(bool fileRun);

    // Walking the words of one statement (ScriptRunnerConnect.cpp). `limit`
    // is the statement's end: no word is read beyond it.
    TTextPos NextWord(TTextPos from, TTextPos limit) const;
    std::string WordText(TTextPos pos, TTextPos limit) const;
    bool WordIs(const char* keyword, TTextPos pos, TTextPos limit) const;
    // The word after `from` that the command's syntax requires; raises an
    // Exception naming the command and the word when the statement ends first.
    TTextPos RequireWord(TTextPos from, TTextPos limit, const char* command, const char* what) const;

    // Connection and SET commands (ScriptRunnerConnect.cpp).
    void EnsureDatabase();
    void ApplyConnectWords(TTextPos From, TTextPos Limit);
    void ExecuteConnect(TStatementDesc& Desc, std::int32_t StatementIndex, TLineList& WorkList);
    void ExecuteCreateDatabase(TStatementDesc& Desc, std::int32_t StatementIndex, TLineList& WorkList);
    void ExecuteDropDatabase(TStatementDesc& Desc);
    void ExecuteDisconnect();
    void ExecuteReconnect();
    void ExecuteSet(TStatementDesc& Desc);

    // DESCRIBE (ScriptRunnerDescribe.cpp).
    void ExecuteDescribe(TStatementDesc& Desc);

    // INPUT, blob parameters (ScriptRunnerInput.cpp).
    void ExecuteInput(TStatementDesc& Desc);
    void LoadBlobParams();
    void CloseBlobFile();

    TLineList FLines;
    std::unique_ptr<TScriptParser> FParser;
    TScriptMap FScriptMap;
    bool FParsed = false;
    TDatabase* FConnection = nullptr;
    TTransaction* FUserTransaction = nullptr;
    TTransaction* FInternalTransaction = nullptr;  // owned as a component
    TQuery* FExecQuery = nullptr;                  // owned as a component
    bool FAutoCommitDDL = true;
    bool FStop = false;
    bool FSkipStatement = false;
    bool FInBatch = false;
    TDynStringArray FBatchStatements;
    std::int32_t FScriptDialect = 3;
    std::string FClientLib;
    std::string FNamesCharSet;
    std::string FBlobFileName;
    std::unique_ptr<std::ifstream> FBlobFile;
    std::int64_t FBlobFileSize = 0;
    bool FOwnDatabase = false;
    bool FForcedWritesOff = false;
    int FInputDepth = 0;  // nesting of INPUT files
    bool FRunning = false;  // inside ExecuteScript's loop: Script may not change
    // The lines ExtractStatementText and the parser read: FLines, or a file
    // run's buffer while it runs.
    TLineList* FCurrentLines = &FLines;
};
