// The runner's connection commands (CONNECT, CREATE DATABASE, DROP DATABASE,
// DISCONNECT, RECONNECT) and SET, with the word walking every command of the
// runner shares.

#include "scripter/ScriptRunner.h"

#include "base/Convert.h"
#include "base/Exception.h"
#include "dbaccess/DbError.h"

#include <string>
#include <string_view>

// ---------------------------------------------------------------------------
// Words of a statement

TTextPos TScriptRunner::NextWord(TTextPos from, TTextPos limit) const
{
    if (from.Col == 0) return TTextPos{};
    return FParser->NextToken(from, limit);
}

std::string TScriptRunner::WordText(TTextPos pos, TTextPos limit) const
{
    if (pos.Col == 0) return std::string();
    std::string text = FParser->TokenText(pos);
    // An unquoted word ends at a text delimiter, which a terminator such as
    // "^" is not; the word must not take in the terminator after it.
    const TLineList& lines = *FCurrentLines;
    if (pos.Line == limit.Line && limit.Col != 0 && pos.Line >= 0 && pos.Line < lines.Count()) {
        const std::string& line = lines[pos.Line];
        const char first = pos.Col <= line.size() ? line[pos.Col - 1] : '\0';
        if (first != '\'' && first != '"' && limit.Col >= pos.Col) {
            const size_t room = static_cast<size_t>(limit.Col - pos.Col) + 1;
            if (text.size() > room) text.resize(room);
        }
    }
    return text;
}

bool TScriptRunner::WordIs(const char* keyword, TTextPos pos, TTextPos limit) const
{
    if (pos.Col == 0) return false;
    const TLineList& lines = *FCurrentLines;
    if (pos.Line < 0 || pos.Line >= lines.Count()) return false;
    std::string_view line = lines[pos.Line];
    // On the statement's last line the keyword must end where the statement does.
    if (pos.Line == limit.Line && limit.Col != 0 && limit.Col < line.size()) line = line.substr(0, limit.Col);
    return TScriptParser::KeywordAt(keyword, line, pos.Col);
}

TTextPos TScriptRunner::RequireWord(TTextPos from, TTextPos limit, const char* command, const char* what) const
{
    const TTextPos word = NextWord(from, limit);
    if (word.Col == 0) throw Exception(std::string(command) + ": " + what + " is missing");
    return word;
}

// ---------------------------------------------------------------------------
// Shared by CONNECT and CREATE DATABASE

void TScriptRunner::EnsureDatabase()
{
    if (FConnection) return;
    auto* connection = new TDatabase(this);
    try {
        SetDatabase(connection);
    } catch (...) {
        if (FConnection != connection) delete connection;
        throw;
    }
    FOwnDatabase = true;
}

void TScriptRunner::ApplyConnectWords(TTextPos From, TTextPos Limit)
{
    TDatabase& db = *FConnection;
    db.SetConnected(false);
    db.DBParams().Clear();
    for (TTextPos w = From; w.Col != 0; w = NextWord(w, Limit)) {
        const bool user = WordIs("USER", w, Limit);
        const bool password = !user && WordIs("PASSWORD", w, Limit);
        const bool role = !user && !password && WordIs("ROLE", w, Limit);
        if (!user && !password && !role) continue;
        const TTextPos value = NextWord(w, Limit);
        if (value.Col == 0) break;
        const std::string text = WordText(value, Limit);
        if (user) db.ConnectParams().SetUserName(text);
        else if (password) db.ConnectParams().SetPassword(text);
        else db.ConnectParams().SetRoleName(text);
        w = value;  // the loop's step then goes past the value
    }
    db.SetSQLDialect(FScriptDialect);
    if (!FClientLib.empty()) db.SetLibraryName(FClientLib);
    // Without SET NAMES in force this removes the line: no character set.
    db.ConnectParams().SetCharSet(FNamesCharSet);
}

// ---------------------------------------------------------------------------
// The commands

void TScriptRunner::ExecuteConnect(TStatementDesc& Desc, std::int32_t StatementIndex, TLineList& WorkList)
{
    const TTextPos limit = Desc.EndPos;
    const TTextPos nameWord = RequireWord(Desc.StartPos, limit, "CONNECT", "the database name");
    // A clause without its value is a mistake in the script, found before
    // anything is closed.
    for (TTextPos w = NextWord(nameWord, limit); w.Col != 0; w = NextWord(w, limit)) {
        for (const char* clause : {"USER", "PASSWORD", "ROLE"}) {
            if (!WordIs(clause, w, limit)) continue;
            w = RequireWord(w, limit, "CONNECT", (std::string("the value of ") + clause).c_str());
            break;
        }
    }
    const std::string name = WordText(nameWord, limit);

    EnsureDatabase();
    try {
        if (FConnection->Connected()) FConnection->SetConnected(false);
        FConnection->SetDBName(name);
        ApplyConnectWords(NextWord(nameWord, limit), limit);
        FConnection->SetConnected(true);
    } catch (const EDbError& error) {
        HandleError(error, TErrorSite::esConnect, Desc, StatementIndex, WorkList);
    }
}

void TScriptRunner::ExecuteCreateDatabase(TStatementDesc& Desc, std::int32_t StatementIndex, TLineList& WorkList)
{
    const TTextPos limit = Desc.EndPos;
    const TTextPos databaseWord = RequireWord(Desc.StartPos, limit, "CREATE DATABASE", "the word DATABASE");
    const TTextPos fileWord = RequireWord(databaseWord, limit, "CREATE DATABASE", "the file name");
    const std::string fileName = WordText(fileWord, limit);
    const TTextPos optionsWord = NextWord(fileWord, limit);

    EnsureDatabase();
    TDatabase& db = *FConnection;
    if (db.Connected()) db.SetConnected(false);
    db.SetDBName(fileName);
    if (optionsWord.Col != 0) {
        TLineList options;
        ExtractStatementText(optionsWord, limit, options);
        db.DBParams().Assign(options);
    } else {
        db.DBParams().Clear();
    }
    db.SetSQLDialect(FScriptDialect);
    // Before the first parse there is no library name of the script's: the
    // connection keeps its own.
    if (!FClientLib.empty()) db.SetLibraryName(FClientLib);

    try {
        db.CreateDatabase();
        const bool reopen = db.IsFirebirdServer() &&
                            (db.ServerMajorVersion() > 2 ||
                             (db.ServerMajorVersion() == 2 && db.ServerMinorVersion() >= 1)) &&
                            (db.ODSMajorVersion() > 11 || (db.ODSMajorVersion() == 11 && db.ODSMinorVersion() >= 1)) &&
                            db.AttachmentCharSet() == 0;
        if (reopen) {
            // Attaching with force_write 0 switches the new database's forced
            // writes off for the rest of the run.
            db.SetConnected(false);
            ApplyConnectWords(optionsWord, limit);
            db.DBParams().Add("force_write=0");
            FForcedWritesOff = true;
            db.SetConnected(true);
        }
    } catch (const EDbError& error) {
        HandleError(error, TErrorSite::esConnect, Desc, StatementIndex, WorkList);
    }
}

void TScriptRunner::ExecuteDropDatabase(TStatementDesc& Desc)
{
    const TTextPos limit = Desc.EndPos;
    const TTextPos databaseWord = RequireWord(Desc.StartPos, limit, "DROP DATABASE", "the word DATABASE");
    const TTextPos fileWord = RequireWord(databaseWord, limit, "DROP DATABASE", "the file name");
    const std::string fileName = WordText(fileWord, limit);

    // Only the two places right after the file name are looked at.
    std::string userName, password;
    bool haveUser = false, havePassword = false;
    TTextPos w = NextWord(fileWord, limit);
    for (int place = 0; place < 2 && w.Col != 0; ++place) {
        const bool user = WordIs("USER", w, limit);
        const bool pass = !user && WordIs("PASSWORD", w, limit);
        if (user || pass) {
            w = RequireWord(w, limit, "DROP DATABASE", user ? "the value of USER" : "the value of PASSWORD");
            (user ? userName : password) = WordText(w, limit);
            (user ? haveUser : havePassword) = true;
        }
        w = NextWord(w, limit);
    }

    EnsureDatabase();
    TDatabase& db = *FConnection;
    if (db.Connected()) db.SetConnected(false);
    if (!FClientLib.empty()) db.SetLibraryName(FClientLib);
    db.SetDBName(fileName);
    if (haveUser) db.ConnectParams().SetUserName(userName);
    if (havePassword) db.ConnectParams().SetPassword(password);
    db.SetConnected(true);
    db.DropDatabase();
}

void TScriptRunner::ExecuteDisconnect()
{
    if (FConnection) FConnection->SetConnected(false);
}

void TScriptRunner::ExecuteReconnect()
{
    if (!FConnection) return;
    TTransaction* transaction = EffectiveTransaction();
    if (transaction->Active()) transaction->Commit();
    FConnection->SetConnected(false);
    FConnection->SetConnected(true);
}

void TScriptRunner::ExecuteSet(TStatementDesc& Desc)
{
    const TTextPos limit = Desc.EndPos;
    const TTextPos setting = NextWord(Desc.StartPos, limit);
    if (setting.Col == 0) return;
    const TTextPos value = NextWord(setting, limit);

    if (WordIs("AUTODDL", setting, limit)) {
        if (WordIs("ON", value, limit)) FAutoCommitDDL = true;
        else if (WordIs("OFF", value, limit)) FAutoCommitDDL = false;
    } else if (WordIs("SQL", setting, limit)) {
        if (!WordIs("DIALECT", value, limit)) return;
        const TTextPos number = NextWord(value, limit);
        if (number.Col != 0) FScriptDialect = StrToInt(WordText(number, limit));
    } else if (value.Col == 0) {
        return;  // every other setting needs its value
    } else if (WordIs("NAMES", setting, limit)) {
        FNamesCharSet = WordText(value, limit);
    } else if (WordIs("CLIENTLIB", setting, limit)) {
        FClientLib = WordText(value, limit);
    } else if (WordIs("BLOBFILE", setting, limit)) {
        CloseBlobFile();
        FBlobFileName = WordText(value, limit);
    }
}
