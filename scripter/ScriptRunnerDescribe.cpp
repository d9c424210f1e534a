// DESCRIBE: the runner's own statement that stores a description text in the
// RDB$DESCRIPTION column of the system table holding the object.
//
// Servers that keep their system tables read-only (Firebird 3 on) refuse the
// UPDATE; the same description is then carried out with the server's own
// COMMENT ON statement, in the same transaction.

#include "scripter/ScriptRunner.h"

#include "base/Convert.h"
#include "base/Exception.h"
#include "dbaccess/DbError.h"

#include <string>
#include <string_view>

namespace {

// isc_protect_sys_tab: "<operation> operation is not allowed for system table
// <name>". Only this refusal leads to COMMENT ON; every other error stands.
constexpr long kGdsProtectSysTab = 335545030L;

struct TDescribeRow {
    TObjectKind Kind;
    const char* SQL;
    bool HasOwner;  // FIELD/COLUMN and PARAMETER: name, a joining word, owner
    // The COMMENT ON object word, as an expression over the matching row:
    // RDB$RELATIONS holds tables and views, and COMMENT ON names the one it is.
    const char* CommentKind;
};

// Parameters bind by position: 0 the description, 1 the object (or owner),
// 2 the field or parameter. Texts as the server has always been sent them.
constexpr TDescribeRow kDescribeRows[] = {
    {TObjectKind::okDomain,
     "UPDATE RDB$FIELDS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$FIELD_NAME = :FIELD)", false, "'DOMAIN'"},
    {TObjectKind::okTable,
     "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = :DESCR WHERE RDB$RELATION_NAME = :TABNAME", false,
     "CASE WHEN RDB$VIEW_BLR IS NULL THEN 'TABLE' ELSE 'VIEW' END"},
    {TObjectKind::okView,
     "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = :DESCR WHERE RDB$RELATION_NAME = :TABNAME", false,
     "CASE WHEN RDB$VIEW_BLR IS NULL THEN 'TABLE' ELSE 'VIEW' END"},
    {TObjectKind::okProcedure,
     "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION = :DESCR WHERE (RDB$PROCEDURE_NAME = :PROCNAME)", false,
     "'PROCEDURE'"},
    {TObjectKind::okTrigger,
     "UPDATE RDB$TRIGGERS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$TRIGGER_NAME = :TR_NAME)", false, "'TRIGGER'"},
    {TObjectKind::okFunction,
     "update RDB$FUNCTIONS set RDB$DESCRIPTION = ?DESC where (RDB$FUNCTION_NAME = ?FUNC_NAME)", false,
     "'FUNCTION'"},
    {TObjectKind::okException,
     "UPDATE RDB$EXCEPTIONS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$EXCEPTION_NAME = :EXC_NAME)", false,
     "'EXCEPTION'"},
    {TObjectKind::okGenerator,
     "update RDB$GENERATORS SET RDB$DESCRIPTION = ?DESC where (RDB$GENERATOR_NAME = ?GEN_NAME)", false,
     "'GENERATOR'"},
    {TObjectKind::okField,
     "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$RELATION_NAME = :TABNAME) and "
     "(RDB$FIELD_NAME = :FIELD)",
     true, "'COLUMN'"},
    {TObjectKind::okParameter,
     "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION = :DESCR WHERE (RDB$PROCEDURE_NAME = :PROCNAME) "
     "and(RDB$PARAMETER_NAME = :FIELD)",
     true, "'PARAMETER'"},
};

const TDescribeRow* FindRow(TObjectKind kind)
{
    for (const TDescribeRow& row : kDescribeRows)
        if (row.Kind == kind) return &row;
    return nullptr;
}

// Position of `word` in `text` as a whole word, ignoring case; npos if absent.
std::size_t FindWord(std::string_view text, std::string_view word)
{
    const std::string upper = AsciiUpper(std::string(text));
    const auto isNamePart = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    };
    for (std::size_t at = upper.find(word); at != std::string::npos; at = upper.find(word, at + 1)) {
        const bool startsWord = at == 0 || !isNamePart(upper[at - 1]);
        const std::size_t end = at + word.size();
        if (startsWord && (end == upper.size() || !isNamePart(upper[end]))) return at;
    }
    return std::string::npos;
}

// The row's UPDATE turned into a query for the COMMENT ON word of the rows it
// would change: same table, same condition, same name parameters (one
// position lower, the description being gone). Firebird 3 refuses only once a
// row is reached, but a server refusing earlier must still leave a name that
// matches nothing without effect, as the UPDATE does.
std::string MatchQuery(const TDescribeRow& row)
{
    const std::string_view update = row.SQL;
    const std::size_t where = FindWord(update, "WHERE");
    const std::size_t table = update.find_first_not_of(' ', 6);  // after "UPDATE"
    return "SELECT " + std::string(row.CommentKind) + " FROM " +
           std::string(update.substr(table, update.find(' ', table) - table)) + " " +
           std::string(update.substr(where));
}

bool IsRegularIdentifier(const std::string& name)
{
    if (name.empty() || name.size() > 31 || !(name[0] >= 'A' && name[0] <= 'Z')) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$')) return false;
    return true;
}

// A name written so that it matches exactly as the UPDATE's WHERE compares
// it. Dialect 3 quotes it; older dialects take double quotes for strings, so
// there only names the server would store unquoted can be written.
std::string SqlName(const std::string& name, int dialect)
{
    if (dialect < 3) {
        if (!IsRegularIdentifier(name))
            throw Exception("DESCRIBE: the name " + name + " cannot be written in SQL dialect " +
                            std::to_string(dialect));
        return name;
    }
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + '"';
}

std::string SqlString(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + '\'';
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

void TScriptRunner::ExecuteDescribe(TStatementDesc& Desc)
{
    const TTextPos limit = Desc.EndPos;
    const TTextPos kindWord = NextWord(Desc.StartPos, limit);
    if (kindWord.Col == 0) return;  // DESCRIBE on its own

    const TDescribeRow* row = FindRow(Desc.ObjectKind);
    if (!row) throw Exception("Unsupported DESCRIBE type " + WordText(kindWord, limit));

    // Every word is taken before the statement component is touched, so an
    // incomplete statement changes nothing.
    const TTextPos nameWord = RequireWord(kindWord, limit, "DESCRIBE", "the object name");
    const std::string name = WordText(nameWord, limit);
    TTextPos last = nameWord;
    std::string owner;
    if (row->HasOwner) {
        const TTextPos joining = RequireWord(nameWord, limit, "DESCRIBE", "the word before the owner's name");
        last = RequireWord(joining, limit, "DESCRIBE", "the owner's name");
        owner = WordText(last, limit);
    }
    const TTextPos textWord = RequireWord(last, limit, "DESCRIBE", "the description");
    TLineList textLines;
    ExtractStatementText(textWord, limit, textLines);
    const std::string description = AnsiDequotedStr(textLines.Text(), '\'');

    FExecQuery->SetSQL(std::string(row->SQL));
    if (row->HasOwner) {
        FExecQuery->SetParamString(2, name);
        FExecQuery->SetParamString(1, owner);
    } else {
        FExecQuery->SetParamString(1, name);
    }
    FExecQuery->SetParamString(0, description);

    TTransaction* transaction = EffectiveTransaction();
    if (!transaction->Active()) transaction->StartTransaction();
    // No commit: the update ends with the runner's transaction.
    try {
        FExecQuery->ExecQuery();
        return;
    } catch (const EDbServerError& error) {
        if (error.GDSCode != kGdsProtectSysTab) throw;
        // The refused statement was undone by itself; the transaction's
        // earlier work stands.
    }

    // Own statement components: FExecQuery keeps the UPDATE as sent.
    TQuery match;
    match.SetDatabase(FExecQuery->Database());
    match.SetTransaction(transaction);
    match.SetSQL(MatchQuery(*row));
    if (row->HasOwner) {
        match.SetParamString(0, owner);
        match.SetParamString(1, name);
    } else {
        match.SetParamString(0, name);
    }
    match.ExecQuery();
    const bool found = match.Next();
    const std::string kind = found ? TrimRight(match.FieldAsString(0)) : std::string();
    match.Close();
    if (!found) return;  // like an UPDATE that matches no row

    TDatabase* database = match.Database() ? match.Database() : transaction->DefaultDatabase();
    const int dialect = database ? database->SQLDialect() : 3;
    std::string target = SqlName(row->HasOwner ? owner : name, dialect);
    if (row->HasOwner) target += "." + SqlName(name, dialect);

    TQuery comment;
    comment.SetDatabase(match.Database());
    comment.SetTransaction(transaction);
    comment.SetSQL("COMMENT ON " + kind + " " + target + " IS " + SqlString(description));
    comment.ExecQuery();
}
