#pragma once
// TScriptJob: one invocation of fbscript. Reads the script, opens the -d
// connection, hands both to a TScriptRunner, watches the run through the
// runner's events (echo, progress, failures), ends the transaction the way
// the run ended and prints the summary.

#include "cli/Options.h"
#include "cli/ProgressBar.h"
#include "cli/ScriptSource.h"
#include "cli/SecretMasker.h"
#include "scripter/StatementModel.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class TScriptRunner;
class TLineList;

enum class TExitStatus : std::uint8_t {
    esOk = 0,            // every statement ran
    esFailed = 1,        // a statement failed
    esBadInput = 2,      // bad usage, or a script that cannot be read or parsed
    esNoConnection = 3,  // no connection could be made
};

class TScriptJob {
public:
    TScriptJob(TOptions options, std::FILE* out, std::FILE* err);
    ~TScriptJob();
    TExitStatus Run();

private:
    // One script file being run: the main one, or one named by INPUT. Told
    // apart by the line list the parser reads while its statements run.
    struct TLevel {
        const TLineList* Lines = nullptr;
        std::string File;
        std::int32_t Count = 0;  // statements met so far in this file
        bool FileRun = false;    // read line by line: events report lines read
    };
    // The statement under way, for messages about it.
    struct TCurrent {
        bool Valid = false;
        std::string File;
        std::int64_t Line = 0;
        std::int32_t Number = 0;
        TStatementKind Kind = TStatementKind::skUnknown;
        std::vector<std::string> Head;  // its first lines, passwords masked
        std::int32_t LineCount = 0;
    };

    TExitStatus List();
    TExitStatus Execute();
    void OnBefore(TScriptRunner* sender, std::int32_t line, std::int32_t statementNo,
                  const TStatementDesc& desc, TLineList* statement);
    void OnError(TScriptRunner* sender, std::int32_t sqlCode, const std::string& msg, bool& doRollBack,
                 bool& stop);
    void ReportFailure(const std::string& what, const std::string& message);
    void Message(const std::string& text);  // one or more lines on stderr, Windows-1252
    std::string ScriptName() const;

    TOptions FOptions;
    std::FILE* FOut;
    std::FILE* FErr;
    TSecretMasker FMasker;
    std::unique_ptr<TProgressBar> FProgress;
    bool FStream = false;
    TStreamInfo FStreamInfo;
    std::int32_t FTotal = 0;  // statements of the script (not known when streaming)
    std::vector<TLevel> FLevels;
    std::string FPendingInput;  // the file the latest INPUT names
    TCurrent FCurrent;
    std::int64_t FRun = 0, FFailed = 0, FSkipped = 0;
    std::int32_t FLastTopNumber = 0;
    bool FNoConnection = false;
    bool FHasDatabaseOption = false;
    bool FHintShown = false;
};
