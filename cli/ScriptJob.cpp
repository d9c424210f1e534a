#include "cli/ScriptJob.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "cli/StatementListing.h"
#include "dbaccess/Database.h"
#include "dbaccess/DbError.h"
#include "dbaccess/Transaction.h"
#include "scripter/ScriptParser.h"
#include "scripter/ScriptRunner.h"

#include <chrono>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#define FBSCRIPT_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define FBSCRIPT_ISATTY(fd) ::isatty(fd)
#endif

namespace {

constexpr std::int32_t kHeadLines = 5;  // statement lines shown with a failure

const char* kParseFailure = "Can't find end token";

// The client library reads these when a CONNECT names no user or password.
void SetEnvironment(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

// A message's lines: the access layer separates them with CR LF.
std::vector<std::string> SplitLines(const std::string& text)
{
    TLineList lines;
    lines.SetText(text);
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (!line.empty()) out.push_back(line);
    return out;
}

}  // namespace

TScriptJob::TScriptJob(TOptions options, std::FILE* out, std::FILE* err)
    : FOptions(std::move(options)), FOut(out), FErr(err)
{
    if (FOptions.PasswordGiven && !FOptions.Password.empty()) FMasker.AddSecret(FOptions.Password);
}

TScriptJob::~TScriptJob() = default;

std::string TScriptJob::ScriptName() const
{
    return FOptions.ScriptFile == "-" ? std::string("<stdin>") : FOptions.ScriptFile;
}

void TScriptJob::Message(const std::string& text)
{
    if (FProgress) FProgress->Clear();
    const std::string utf8 = Cp1252ToUtf8(FMasker.Scrub(text));
    std::fputs(utf8.c_str(), FErr);
    if (utf8.empty() || utf8.back() != '\n') std::fputc('\n', FErr);
    std::fflush(FErr);
}

TExitStatus TScriptJob::Run()
{
    try {
        return FOptions.List ? List() : Execute();
    } catch (const EScriptFileError& e) {
        Message("fbscript: " + e.Message());
        return TExitStatus::esBadInput;
    }
}

TExitStatus TScriptJob::List()
{
    TLineList lines;
    LoadScript(FOptions.ScriptFile, lines);
    TScriptParser parser;
    TScriptMap map;
    std::string terminator = FOptions.Terminator;
    try {
        parser.ParseScript(lines, terminator, map, true);
    } catch (const Exception& e) {
        std::string where;
        if (!map.empty()) where = " in the statement at line " + std::to_string(map.back().StartPos.Line + 1);
        Message("fbscript: " + ScriptName() + ": cannot parse the script" + where + ": " + e.Message());
        return TExitStatus::esBadInput;
    }
    std::string out;
    for (size_t i = 0; i < map.size(); ++i) {
        out += StatementJson(static_cast<std::int32_t>(i + 1), map[i]);
        out += '\n';
        if (out.size() >= (1 << 16)) {
            std::fwrite(out.data(), 1, out.size(), FOut);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), FOut);
    std::fflush(FOut);
    return TExitStatus::esOk;
}

void TScriptJob::OnBefore(TScriptRunner* sender, std::int32_t line, std::int32_t statementNo,
                          const TStatementDesc& desc, TLineList* statement)
{
    const TLineList* lines = sender->Parser().ScriptLines();
    // Which file this statement belongs to: the level whose lines the parser
    // reads, or a new INPUT level.
    size_t level = FLevels.size();
    for (size_t i = 0; i < FLevels.size(); ++i)
        if (FLevels[i].Lines == lines) level = i;
    if (level == FLevels.size()) {
        TLevel next;
        next.Lines = lines;
        next.File = FLevels.empty() ? ScriptName() : FPendingInput;
        next.FileRun = !FLevels.empty() || FStream;
        FLevels.push_back(std::move(next));
    } else {
        FLevels.resize(level + 1);
    }
    TLevel& current = FLevels.back();
    const bool top = FLevels.size() == 1;
    ++current.Count;

    FCurrent.Valid = true;
    FCurrent.File = current.File;
    FCurrent.Number = (top && !FStream) ? statementNo : current.Count;
    FCurrent.Kind = desc.Kind;
    // A file run reports the number of lines read, the last of which ends the
    // buffer that holds the statement.
    if (current.FileRun && lines != nullptr)
        FCurrent.Line = static_cast<std::int64_t>(line) - lines->Count() + desc.StartPos.Line + 1;
    else
        FCurrent.Line = line;
    FCurrent.Head.clear();
    FCurrent.LineCount = statement ? statement->Count() : 0;
    if (desc.Kind == TStatementKind::skInput) {
        FPendingInput = "INPUT file";
        try {
            const TTextPos word = sender->Parser().NextToken(desc.StartPos, desc.EndPos);
            if (word.Col != 0) FPendingInput = sender->Parser().TokenText(word);
        } catch (const Exception&) {
            // The runner reports the bad name itself.
        }
    }

    if (top && FStream && current.Count < FOptions.From) {
        sender->SetSkipStatement(true);
        ++FSkipped;
        if (FProgress) FProgress->Update(FStreamInfo.BytesAfterLines(line));
        return;
    }
    if (top) FLastTopNumber = FCurrent.Number;
    ++FRun;

    const bool wantHead = !FOptions.Quiet && statement != nullptr;
    if (statement != nullptr && (wantHead || FOptions.Echo)) {
        // Masking runs over the whole statement (a PASSWORD value may follow
        // on a later line) only when it is echoed.
        std::vector<std::string> text;
        const int take = FOptions.Echo ? statement->Count() : std::min(statement->Count(), kHeadLines + 1);
        text.assign(statement->Lines().begin(), statement->Lines().begin() + take);
        std::vector<std::string> masked = FMasker.MaskStatement(text);
        if (FOptions.Echo) {
            if (FProgress) FProgress->Clear();
            std::string echo;
            for (const std::string& l : masked) {
                echo += Cp1252ToUtf8(l);
                echo += '\n';
            }
            std::fwrite(echo.data(), 1, echo.size(), FOut);
            std::fflush(FOut);
        }
        if (wantHead) {
            if (masked.size() > static_cast<size_t>(kHeadLines + 1)) masked.resize(kHeadLines + 1);
            FCurrent.Head = std::move(masked);
        }
    } else if (statement == nullptr && FOptions.Echo) {
        if (FProgress) FProgress->Clear();
        std::fputs("BATCH EXECUTE\n", FOut);
        std::fflush(FOut);
    }

    if (FProgress) {
        if (FStream && top)
            FProgress->Update(FStreamInfo.BytesAfterLines(line));
        else if (top)
            FProgress->Update(statementNo - FOptions.From + 1);
    }
}

void TScriptJob::ReportFailure(const std::string& what, const std::string& message)
{
    std::string text = "fbscript: ";
    if (FCurrent.Valid) {
        text += FCurrent.File + ":" + std::to_string(FCurrent.Line) + ": statement " +
                std::to_string(FCurrent.Number) + " (line " + std::to_string(FCurrent.Line) + ") failed";
    } else {
        text += ScriptName() + ": the run failed";
    }
    if (!what.empty()) text += ", " + what;
    text += ":\n";
    for (const std::string& line : SplitLines(message)) text += "    " + line + "\n";
    if (!FOptions.Quiet && FCurrent.Valid && !FCurrent.Head.empty()) {
        const size_t shown = std::min<size_t>(FCurrent.Head.size(), kHeadLines);
        for (size_t i = 0; i < shown; ++i) text += "  | " + FCurrent.Head[i] + "\n";
        if (FCurrent.LineCount > static_cast<std::int32_t>(shown))
            text += "  | ... (" + std::to_string(FCurrent.LineCount - static_cast<std::int32_t>(shown)) +
                    " more lines)\n";
    }
    Message(text);
}

void TScriptJob::OnError(TScriptRunner* sender, std::int32_t sqlCode, const std::string& msg,
                         bool& doRollBack, bool& stop)
{
    ++FFailed;
    const bool connecting = FCurrent.Kind == TStatementKind::skConnect ||
                            FCurrent.Kind == TStatementKind::skCreateDatabase;
    TDatabase* db = sender->Database();
    const bool attached = db != nullptr && db->Connected();
    if (connecting || !attached) FNoConnection = true;
    std::string what = "SQLCODE " + std::to_string(sqlCode);
    ReportFailure(what, msg);
    if (!attached && !connecting && !FHasDatabaseOption && !FHintShown) {
        FHintShown = true;
        Message("fbscript: there is no connection: give -d DATABASE, or begin the script with CONNECT "
                "or CREATE DATABASE");
    }
    if (FOptions.ContinueOnError) {
        doRollBack = false;
        stop = false;
    }
}

TExitStatus TScriptJob::Execute()
{
    const auto started = std::chrono::steady_clock::now();
    FStream = FOptions.Stream;
    if (FOptions.ScriptFile != "-" && !FStream) {
        const std::int64_t size = ScriptFileSize(FOptions.ScriptFile);
        if (size > kStreamThreshold) FStream = true;
    }

    // The connection outlives the runner, which refers to it.
    std::unique_ptr<TDatabase> database;
    TScriptRunner runner;
    if (FStream) {
        FStreamInfo = ScanScript(FOptions.ScriptFile);
    } else {
        LoadScript(FOptions.ScriptFile, runner.Script());
        try {
            runner.Parse(FOptions.Terminator);
        } catch (const Exception& e) {
            std::string where;
            if (runner.StatementCount() > 0) {
                try {
                    TLineList scratch;
                    where = " in the statement at line " +
                            std::to_string(runner.GetStatement(runner.StatementCount(), scratch).StartPos.Line + 1);
                } catch (const Exception&) {
                }
            }
            Message("fbscript: " + ScriptName() + ": cannot parse the script" + where + ": " + e.Message());
            return TExitStatus::esBadInput;
        }
        FTotal = runner.StatementCount();
        if (FTotal == 0) {
            Message("fbscript: " + ScriptName() + ": the script holds no statements");
            return TExitStatus::esBadInput;
        }
        if (FOptions.From > FTotal) {
            Message("fbscript: --from " + std::to_string(FOptions.From) + ": the script has only " +
                    std::to_string(FTotal) + " statements");
            return TExitStatus::esBadInput;
        }
    }

    if (!FOptions.Database.empty()) {
        FHasDatabaseOption = true;
        database = std::make_unique<TDatabase>();
        try {
            database->SetDBName(FOptions.Database);
            if (!FOptions.ClientLib.empty()) database->SetLibraryName(FOptions.ClientLib);
            database->SetSQLDialect(FOptions.Dialect);
            TConnectParams& params = database->ConnectParams();
            if (!FOptions.User.empty()) params.SetUserName(FOptions.User);
            if (FOptions.PasswordGiven) params.SetPassword(FOptions.Password);
            if (!FOptions.Role.empty()) params.SetRoleName(FOptions.Role);
            if (!FOptions.CharSet.empty()) params.SetCharSet(FOptions.CharSet);
            database->Open();
        } catch (const Exception& e) {
            std::string text = "fbscript: cannot connect to " + FOptions.Database + ":\n";
            for (const std::string& line : SplitLines(e.Message())) text += "    " + line + "\n";
            Message(text);
            return TExitStatus::esNoConnection;
        }
        runner.SetDatabase(database.get());
    } else {
        // The script connects by itself: the login given here serves a
        // CONNECT that names none, through the client library's variables.
        if (!FOptions.User.empty()) SetEnvironment("ISC_USER", FOptions.User);
        if (FOptions.PasswordGiven) SetEnvironment("ISC_PASSWORD", FOptions.Password);
        if (!FOptions.Role.empty() || !FOptions.CharSet.empty() || FOptions.DialectGiven ||
            !FOptions.ClientLib.empty())
            Message("fbscript: --role, --charset, --dialect and --client-lib apply to the -d connection only; "
                    "the script's own CONNECT follows its SET commands");
    }
    runner.SetAutoDDL(!FOptions.NoAutoDDL);
    runner.BeforeStatementExecute = [this](TScriptRunner* sender, std::int32_t line, std::int32_t no,
                                           const TStatementDesc& desc, TLineList* statement) {
        OnBefore(sender, line, no, desc, statement);
    };
    runner.OnExecuteError = [this](TScriptRunner* sender, std::int32_t, std::int32_t, TLineList*,
                                   std::int32_t sqlCode, const std::string& msg, bool& doRollBack,
                                   bool& stop) { OnError(sender, sqlCode, msg, doRollBack, stop); };

    const bool tty = FBSCRIPT_ISATTY(2) != 0;
    if (tty && !FOptions.Quiet) {
        if (FStream)
            FProgress = std::make_unique<TProgressBar>(FErr, true, true, FStreamInfo.Size);
        else
            FProgress = std::make_unique<TProgressBar>(FErr, true, false, FTotal - FOptions.From + 1);
    }

    bool escaped = false;  // a failure left the run as an exception
    TExitStatus status = TExitStatus::esOk;
    try {
        if (FStream)
            runner.ExecuteFromFile(FOptions.ScriptFile, FOptions.Terminator);
        else
            runner.ExecuteScript(FOptions.From);
    } catch (const EDbError& e) {
        escaped = true;
        ++FFailed;
        ReportFailure("SQLCODE " + std::to_string(e.SQLCode), e.Message());
    } catch (const Exception& e) {
        escaped = true;
        if (e.Message() == kParseFailure) {
            status = TExitStatus::esBadInput;
            Message("fbscript: " + (FCurrent.Valid ? FCurrent.File : ScriptName()) +
                    ": cannot parse the script" +
                    (FCurrent.Valid ? " after line " + std::to_string(FCurrent.Line) : std::string()) + ": " +
                    e.Message());
        } else {
            ++FFailed;
            ReportFailure("", e.Message());
        }
    } catch (const std::exception& e) {
        escaped = true;
        ++FFailed;
        ReportFailure("", e.what());
    }
    if (FProgress) FProgress->Clear();

    // End the transaction on the connection we gave: keep the work of a run
    // that ended normally, as isql does at the end of its input; drop the
    // uncommitted work of a run that a failure stopped.
    const bool stopped = escaped || (FFailed > 0 && !FOptions.ContinueOnError);
    if (database && database->Connected()) {
        TTransaction* transaction = runner.EffectiveTransaction();
        if (transaction != nullptr && transaction->Active()) {
            try {
                if (stopped)
                    transaction->Rollback();
                else
                    transaction->Commit();
            } catch (const Exception& e) {
                ++FFailed;
                FCurrent.Valid = false;
                Message("fbscript: " + std::string(stopped ? "rolling back" : "committing") +
                        " the work at the end of the run failed:\n    " + e.Message());
            }
        }
    }

    if (FStream && !escaped && FFailed == 0) {
        // What whole mode finds before the run, a stream run learns at its end.
        const std::int32_t met = FLevels.empty() ? 0 : FLevels.front().Count;
        if (met == 0) {
            Message("fbscript: " + ScriptName() + ": the script holds no statements");
            return TExitStatus::esBadInput;
        }
        if (FOptions.From > met) {
            Message("fbscript: --from " + std::to_string(FOptions.From) + ": the script has only " +
                    std::to_string(met) + " statements");
            return TExitStatus::esBadInput;
        }
    }
    if (!FStream) FSkipped = (FOptions.From - 1) + (FTotal - std::max(FLastTopNumber, FOptions.From - 1));
    if (!FOptions.Quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char timing[64];
        std::snprintf(timing, sizeof timing, "%.2f s", seconds);
        Message("fbscript: " + std::to_string(FRun) + " statements run, " + std::to_string(FFailed) +
                " failed, " + std::to_string(FSkipped) + " skipped, " + timing);
    }
    if (status != TExitStatus::esOk) return status;
    if (FNoConnection) return TExitStatus::esNoConnection;
    if (FFailed > 0) return TExitStatus::esFailed;
    return TExitStatus::esOk;
}
