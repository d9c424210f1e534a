#include "dbaccess/Query.h"

#include "base/Convert.h"
#include "dbaccess/ClientLibrary.h"
#include "dbaccess/DbError.h"

#include <ibase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

// ---------------------------------------------------------------------------
// Text scanning

namespace {

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Where a comment starting at `pos` ends ("--" to the line end, "/*" to
// "*/"); `pos` itself when no comment starts there.
size_t CommentEnd(std::string_view text, size_t pos)
{
    if (text.compare(pos, 2, "--") == 0) {
        const size_t eol = text.find('\n', pos);
        return eol == std::string_view::npos ? text.size() : eol + 1;
    }
    if (text.compare(pos, 2, "/*") == 0) {
        const size_t end = text.find("*/", pos + 2);
        return end == std::string_view::npos ? text.size() : end + 2;
    }
    return pos;
}

// Skips blanks, line breaks and comments from `pos`.
size_t SkipBlanksAndComments(std::string_view text, size_t pos)
{
    while (pos < text.size()) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        const size_t after = CommentEnd(text, pos);
        if (after == pos) break;
        pos = after;
    }
    return pos;
}

// The word at `pos` in upper case (empty when none starts there).
std::string WordAt(std::string_view text, size_t& pos)
{
    const size_t start = pos;
    while (pos < text.size() && IsNameChar(text[pos])) ++pos;
    return AsciiUpper(std::string(text.substr(start, pos - start)));
}

std::string FirstWord(std::string_view text, size_t* after = nullptr)
{
    size_t pos = SkipBlanksAndComments(text, 0);
    std::string word = WordAt(text, pos);
    if (after) *after = pos;
    return word;
}

// Calls `onCode(pos)` for each position outside strings, quoted names and
// comments; it returns how far to advance (0 = one character).
template <typename F>
void ForEachCodeChar(std::string_view text, F onCode)
{
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            const size_t end = text.find(c, i + 1);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else if (const size_t after = CommentEnd(text, i); after != i) {
            i = after;
        } else {
            const size_t step = onCode(i);
            if (step == std::string_view::npos) return;
            i += step ? step : 1;
        }
    }
}

// Where the word first stands as a whole word in the code part of the text;
// npos when it does not.
size_t FindCodeWord(std::string_view text, std::string_view word)
{
    size_t found = std::string_view::npos;
    ForEachCodeChar(text, [&](size_t i) -> size_t {
        if (!IsNameChar(text[i]) || (i > 0 && IsNameChar(text[i - 1]))) return 0;
        size_t end = i;
        if (WordAt(text, end) == word) {
            found = i;
            return std::string_view::npos;
        }
        return end - i;
    });
    return found;
}

// Statements that may hand back rows or output values are prepared; all
// others without parameters go in one round trip.
bool MayReturnRows(std::string_view text)
{
    const std::string first = FirstWord(text);
    if (first == "SELECT" || first == "WITH" || first == "EXECUTE") return true;
    return FindCodeWord(text, "RETURNING") != std::string_view::npos;
}

}  // namespace

bool TQuery::IsDataDefinition(std::string_view text)
{
    size_t pos = 0;
    const std::string first = FirstWord(text, &pos);
    static constexpr std::string_view kWords[] = {"ALTER", "CREATE", "COMMENT", "DROP",
                                                  "DECLARE", "GRANT", "RECREATE", "REVOKE"};
    for (std::string_view w : kWords)
        if (first == w) return true;
    if (first == "SET") {
        pos = SkipBlanksAndComments(text, pos);
        return WordAt(text, pos) == "GENERATOR";
    }
    return false;
}

std::vector<std::string> TQuery::ScanParams(std::string_view text, std::string& sqlOut)
{
    std::vector<std::string> names;
    sqlOut.clear();
    sqlOut.reserve(text.size());

    // An EXECUTE BLOCK takes parameters only in its header: the body after AS
    // uses ":name" for its own variables.
    size_t headerEnd = std::string_view::npos;
    {
        size_t pos = 0;
        if (FirstWord(text, &pos) == "EXECUTE") {
            pos = SkipBlanksAndComments(text, pos);
            if (WordAt(text, pos) == "BLOCK") headerEnd = FindCodeWord(text, "AS");
        }
    }

    size_t copied = 0;  // text before this has been copied to sqlOut
    ForEachCodeChar(text, [&](size_t i) -> size_t {
        if (i >= headerEnd) return std::string_view::npos;
        const char c = text[i];
        if (c != ':' && c != '?') return 0;
        size_t end = i + 1;
        std::string name;
        if (end < text.size() && text[end] == '"' && c == ':') {
            const size_t close = text.find('"', end + 1);
            if (close == std::string_view::npos || close == end + 1) throw EDbClientError("Parameter name expected");
            name = std::string(text.substr(end + 1, close - end - 1));
            end = close + 1;
        } else {
            while (end < text.size() && IsNameChar(text[end])) ++end;
            name = AsciiUpper(std::string(text.substr(i + 1, end - i - 1)));
            if (name.empty() && c == ':') throw EDbClientError("Parameter name expected");
        }
        sqlOut.append(text.substr(copied, i - copied));
        sqlOut += '?';
        copied = end;
        names.push_back(std::move(name));
        return end - i;
    });
    sqlOut.append(text.substr(copied));
    return names;
}

// ---------------------------------------------------------------------------
// The prepared statement

namespace {

XSQLDA* NewSqlda(int count)
{
    const size_t size = XSQLDA_LENGTH(static_cast<size_t>(std::max(count, 1)));
    auto* da = static_cast<XSQLDA*>(std::calloc(1, size));
    if (!da) throw std::bad_alloc();
    da->version = SQLDA_VERSION1;
    da->sqln = static_cast<ISC_SHORT>(std::max(count, 1));
    return da;
}

struct TSqldaDeleter {
    void operator()(XSQLDA* da) const { std::free(da); }
};
using TSqldaPtr = std::unique_ptr<XSQLDA, TSqldaDeleter>;

// Sends a text without its length when the 16-bit length cannot hold it.
unsigned short TextLength(const std::string& text)
{
    return text.size() > std::numeric_limits<unsigned short>::max() ? 0 : static_cast<unsigned short>(text.size());
}

void CheckNoNul(const std::string& text)
{
    if (text.find('\0') != std::string::npos) throw EDbClientError("SQL text contains a NUL character.");
}

}  // namespace

struct TQuery::TStatement {
    TDatabase* Database = nullptr;  // the attachment the handle belongs to
    TIscHandle Handle{};
    bool Prepared = false;
    std::string Text;
    int Type = 0;  // isc_info_sql_stmt_...
    TSqldaPtr In;
    TSqldaPtr Out;
    std::vector<std::string> OutData;  // one buffer per column
    std::vector<short> OutNull;
    std::vector<short> InNull;
    std::vector<ISC_QUAD> InBlobs;
    bool Cursor = false;      // the open result is a server cursor
    bool RowPending = false;  // a singleton result not yet read by Next
};

TQuery::TQuery(TComponent* owner) : TComponent(owner) {}

TQuery::~TQuery()
{
    CloseQuietly();
    FreeStatement();
    if (FTransaction) {
        auto& list = FTransaction->FQueries;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        RemoveFreeNotification(FTransaction);
        FTransaction = nullptr;
    }
    if (FDatabase) RemoveFreeNotification(FDatabase);
    FDatabase = nullptr;
}

TDatabase* TQuery::EffectiveDatabase() const
{
    if (FDatabase) return FDatabase;
    return FTransaction ? FTransaction->DefaultDatabase() : nullptr;
}

void TQuery::SetDatabase(TDatabase* database)
{
    if (database == FDatabase) return;
    CloseQuietly();
    FreeStatement();  // the handle belongs to the old attachment
    if (FDatabase) RemoveFreeNotification(FDatabase);
    FDatabase = database;
    if (database) FreeNotification(database);
}

void TQuery::SetTransaction(TTransaction* transaction)
{
    if (transaction == FTransaction) return;
    CloseQuietly();
    if (FTransaction) {
        auto& list = FTransaction->FQueries;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        RemoveFreeNotification(FTransaction);
    }
    FTransaction = transaction;
    if (transaction) {
        transaction->FQueries.push_back(this);
        FreeNotification(transaction);
    }
    if (FStatement) FStatement->Prepared = false;
}

void TQuery::SetSQL(const TLineList& lines)
{
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    const bool ddl = IsDataDefinition(text);
    std::string sent;
    std::vector<std::string> markers;
    if (ddl) sent = text;
    else markers = ScanParams(text, sent);  // may throw: nothing is changed then

    CloseQuietly();
    FSQL.Assign(lines);
    FIsDDL = ddl;
    FPreparedText = std::move(sent);
    FParams.clear();
    FMarkerParams.clear();
    for (std::string& name : markers) {
        int index = -1;
        if (!name.empty())
            for (size_t p = 0; p < FParams.size(); ++p)
                if (FParams[p].Name == name) index = static_cast<int>(p);
        if (index < 0) {
            TParamValue param;
            param.Name = std::move(name);
            FParams.push_back(std::move(param));
            index = static_cast<int>(FParams.size()) - 1;
        }
        FMarkerParams.push_back(index);
    }
    FImmediate = FParams.empty() && !MayReturnRows(FPreparedText);
    if (FStatement) FStatement->Prepared = false;
}

void TQuery::SetSQL(const std::string& text)
{
    TLineList lines;
    lines.SetText(text);
    SetSQL(lines);
}

TParamValue& TQuery::Param(int index)
{
    if (index < 0 || index >= ParamCount())
        throw EDbClientError("Parameter index " + std::to_string(index) + " out of range.");
    return FParams[static_cast<size_t>(index)];
}

TParamValue* TQuery::FindParam(std::string_view name)
{
    for (TParamValue& p : FParams)
        if (!p.Name.empty() && SameTextAscii(p.Name, name)) return &p;
    return nullptr;
}

void TQuery::SetParamString(int index, const std::string& value)
{
    TParamValue& p = Param(index);
    p.IsNull = false;
    p.SQLType = kSqlTypeVarying;
    p.Bytes = value;
}

void TQuery::SetParamNull(int index)
{
    TParamValue& p = Param(index);
    p.IsNull = true;
    p.Bytes.clear();
}

void TQuery::SetParamBlob(int index, std::string bytes)
{
    TParamValue& p = Param(index);
    p.IsNull = false;
    p.SQLType = kSqlTypeBlob;
    p.Bytes = std::move(bytes);
}

void TQuery::FreeStatement()
{
    FOpen = false;
    if (!FStatement) return;
    std::unique_ptr<TStatement> st = std::move(FStatement);
    TDatabase* db = st->Database;
    if (db) {
        auto& list = db->FQueries;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (st->Handle && db->Connected()) {
            try {
                TStatusVector status{};
                db->Library().isc_dsql_free_statement(status.data(), &st->Handle, DSQL_drop);
            } catch (...) {
            }
        }
    }
}

void TQuery::CloseQuietly()
{
    try {
        Close();
    } catch (...) {
        FOpen = false;
    }
}

void TQuery::Close()
{
    if (!FOpen) return;
    FOpen = false;
    if (!FStatement) return;
    FStatement->RowPending = false;
    if (!FStatement->Cursor) return;
    FStatement->Cursor = false;
    TDatabase* db = FStatement->Database;
    if (!db || !db->Connected()) return;
    // A cursor the server closed already (its transaction ended) is gone either way.
    TStatusVector status{};
    db->Library().isc_dsql_free_statement(status.data(), &FStatement->Handle, DSQL_close);
}

void TQuery::Prepare(TDatabase& database)
{
    TClientLibrary& lib = database.Library();
    if (FStatement && FStatement->Database != &database) FreeStatement();
    if (!FStatement) {
        auto st = std::make_unique<TStatement>();
        st->Database = &database;
        TStatusVector status{};
        TIscHandle db = static_cast<TIscHandle>(database.Handle());
        lib.isc_dsql_allocate_statement(status.data(), &db, &st->Handle);
        if (StatusFailed(status)) RaiseStatusError(lib, status, this);
        FStatement = std::move(st);
        database.FQueries.push_back(this);
    }
    TStatement& st = *FStatement;
    if (st.Prepared && st.Text == FPreparedText) return;
    st.Prepared = false;

    CheckNoNul(FPreparedText);
    TStatusVector status{};
    TIscHandle tr = static_cast<TIscHandle>(FTransaction->Handle());
    st.Out.reset(NewSqlda(16));
    lib.isc_dsql_prepare(status.data(), &tr, &st.Handle, TextLength(FPreparedText), FPreparedText.c_str(),
                         static_cast<unsigned short>(database.SQLDialect()), st.Out.get());
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    if (st.Out->sqld > st.Out->sqln) {
        st.Out.reset(NewSqlda(st.Out->sqld));
        lib.isc_dsql_describe(status.data(), &st.Handle, 1, st.Out.get());
        if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    }

    const char item = isc_info_sql_stmt_type;
    char reply[16] = {};
    lib.isc_dsql_sql_info(status.data(), &st.Handle, 1, &item, sizeof reply, reply);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    st.Type = 0;
    if (reply[0] == isc_info_sql_stmt_type) {
        const int len = static_cast<int>(ReadInfoInteger(reply + 1, 2));
        st.Type = static_cast<int>(ReadInfoInteger(reply + 3, std::min(len, 4)));
    }

    // Output buffers, one per column; varying columns carry their 2-byte length.
    const int columns = st.Out->sqld;
    st.OutData.assign(static_cast<size_t>(columns), std::string());
    st.OutNull.assign(static_cast<size_t>(columns), 0);
    for (int i = 0; i < columns; ++i) {
        XSQLVAR& v = st.Out->sqlvar[i];
        size_t size = static_cast<size_t>(v.sqllen);
        if ((v.sqltype & ~1) == SQL_VARYING) size += 2;
        st.OutData[static_cast<size_t>(i)].assign(std::max<size_t>(size, 1), '\0');
        v.sqldata = st.OutData[static_cast<size_t>(i)].data();
        v.sqlind = &st.OutNull[static_cast<size_t>(i)];
    }

    // Input descriptors: the markers we found must be what the server sees.
    st.In.reset(NewSqlda(std::max<int>(1, static_cast<int>(FMarkerParams.size()))));
    lib.isc_dsql_describe_bind(status.data(), &st.Handle, 1, st.In.get());
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    if (st.In->sqld > st.In->sqln) {
        st.In.reset(NewSqlda(st.In->sqld));
        lib.isc_dsql_describe_bind(status.data(), &st.Handle, 1, st.In.get());
        if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    }
    if (st.In->sqld != static_cast<int>(FMarkerParams.size()))
        throw EDbClientError("The statement takes " + std::to_string(st.In->sqld) + " parameters, but its text has " +
                             std::to_string(FMarkerParams.size()) + ".");
    st.Text = FPreparedText;
    st.Prepared = true;
}

void TQuery::BindParams(TDatabase& database)
{
    TStatement& st = *FStatement;
    TClientLibrary& lib = database.Library();
    const int count = st.In->sqld;
    st.InNull.assign(static_cast<size_t>(count), 0);
    st.InBlobs.assign(static_cast<size_t>(count), ISC_QUAD{});
    static char dummy[1];

    for (int i = 0; i < count; ++i) {
        XSQLVAR& v = st.In->sqlvar[i];
        // describe_bind is not repeated per execution: keep its type apart.
        const int described = v.sqltype & ~1;
        const TParamValue& p = FParams[static_cast<size_t>(FMarkerParams[static_cast<size_t>(i)])];
        short& ind = st.InNull[static_cast<size_t>(i)];
        v.sqlind = &ind;
        v.sqlscale = 0;
        if (p.IsNull) {
            ind = -1;
            v.sqltype = SQL_TEXT | 1;
            v.sqllen = 0;
            v.sqldata = dummy;
            continue;
        }
        ind = 0;
        if (described == SQL_BLOB || p.SQLType == kSqlTypeBlob) {
            ISC_QUAD& id = st.InBlobs[static_cast<size_t>(i)];
            TStatusVector status{};
            TIscHandle db = static_cast<TIscHandle>(database.Handle());
            TIscHandle tr = static_cast<TIscHandle>(FTransaction->Handle());
            TIscHandle blob{};
            lib.isc_create_blob2(status.data(), &db, &tr, &blob, &id, 0, nullptr);
            if (StatusFailed(status)) RaiseStatusError(lib, status, this);
            for (size_t at = 0; at < p.Bytes.size();) {
                const size_t n = std::min<size_t>(p.Bytes.size() - at, 32 * 1024);
                lib.isc_put_segment(status.data(), &blob, static_cast<unsigned short>(n), p.Bytes.data() + at);
                if (StatusFailed(status)) {
                    TStatusVector ignored{};
                    lib.isc_close_blob(ignored.data(), &blob);
                    RaiseStatusError(lib, status, this);
                }
                at += n;
            }
            lib.isc_close_blob(status.data(), &blob);
            if (StatusFailed(status)) RaiseStatusError(lib, status, this);
            v.sqltype = SQL_BLOB | 1;
            v.sqlsubtype = 0;
            v.sqllen = sizeof(ISC_QUAD);
            v.sqldata = reinterpret_cast<ISC_SCHAR*>(&id);
            continue;
        }
        if (p.Bytes.size() > 32765)
            throw EDbClientError("Parameter " + (p.Name.empty() ? std::to_string(i + 1) : p.Name) +
                                 " value is too long: " + std::to_string(p.Bytes.size()) + " bytes, at most 32765.");
        // Text goes in the parameter's character set; the server converts it.
        if (described != SQL_TEXT && described != SQL_VARYING) v.sqlsubtype = 0;
        v.sqltype = SQL_TEXT | 1;
        v.sqllen = static_cast<ISC_SHORT>(p.Bytes.size());
        v.sqldata = p.Bytes.empty() ? dummy : const_cast<char*>(p.Bytes.data());
    }
}

TDatabase& TQuery::DatabaseToExecute() const
{
    TDatabase* database = EffectiveDatabase();
    if (!database) throw EDbClientError("Query has no database.");
    database->CheckConnected();
    if (!FTransaction) throw EDbClientError("Query has no transaction.");
    if (!FTransaction->Active()) throw EDbClientError("Transaction is not active.");
    return *database;
}

// One round trip, no prepare: for a text without parameters that returns no rows.
void TQuery::ExecuteImmediate(TDatabase& database, const std::string& text)
{
    CheckNoNul(text);
    TClientLibrary& lib = database.Library();
    TStatusVector status{};
    TIscHandle db = static_cast<TIscHandle>(database.Handle());
    TIscHandle tr = static_cast<TIscHandle>(FTransaction->Handle());
    lib.isc_dsql_execute_immediate(status.data(), &db, &tr, TextLength(text), text.c_str(),
                                   static_cast<unsigned short>(database.SQLDialect()), nullptr);
    FTransaction->FHandle = static_cast<std::uintptr_t>(tr);  // COMMIT / SET TRANSACTION change it
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
}

void TQuery::ExecQuery()
{
    Close();
    TDatabase& database = DatabaseToExecute();
    if (FImmediate) {
        ExecuteImmediate(database, FPreparedText);
        return;
    }

    TClientLibrary& lib = database.Library();
    Prepare(database);
    BindParams(database);
    TStatement& st = *FStatement;
    TStatusVector status{};
    TIscHandle tr = static_cast<TIscHandle>(FTransaction->Handle());
    const bool cursor = st.Type == isc_info_sql_stmt_select || st.Type == isc_info_sql_stmt_select_for_upd;
    if (!cursor && st.Out->sqld > 0)  // output values without a cursor (RETURNING, EXECUTE PROCEDURE)
        lib.isc_dsql_execute2(status.data(), &tr, &st.Handle, 1, st.In.get(), st.Out.get());
    else
        lib.isc_dsql_execute(status.data(), &tr, &st.Handle, 1, st.In.get());
    FTransaction->FHandle = static_cast<std::uintptr_t>(tr);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    if (cursor) {
        st.Cursor = true;
        FOpen = true;
    } else if (st.Out->sqld > 0) {
        st.RowPending = true;  // the output values are the result's one row
        FOpen = true;
    }
}

bool TQuery::Next()
{
    if (!FOpen || !FStatement) throw EDbClientError("Query has no open result.");
    TStatement& st = *FStatement;
    if (!st.Cursor) {
        const bool row = st.RowPending;
        st.RowPending = false;
        return row;
    }
    TClientLibrary& lib = st.Database->Library();
    TStatusVector status{};
    const TIscStatus rc = lib.isc_dsql_fetch(status.data(), &st.Handle, 1, st.Out.get());
    if (rc == 100) return false;
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    return true;
}

int TQuery::FieldCount() const { return FStatement && FStatement->Prepared ? FStatement->Out->sqld : 0; }

namespace {

std::string ScaledInteger(std::int64_t value, int scale)
{
    if (scale >= 0) {
        std::string s = std::to_string(value);
        if (value != 0) s.append(static_cast<size_t>(scale), '0');
        return s;
    }
    const bool negative = value < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string digits = std::to_string(magnitude);
    const size_t places = static_cast<size_t>(-scale);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    digits.insert(digits.size() - places, ".");
    return negative ? "-" + digits : digits;
}

// Days since 17 November 1858 as a civil date.
std::string DateText(int days)
{
    // Days since 1970-01-01 (40587 days after the base), shifted to the
    // era-based civil-from-days conversion that counts from 0000-03-01.
    std::int64_t d = static_cast<std::int64_t>(days) - 40587 + 719468;
    const std::int64_t era = (d >= 0 ? d : d - 146096) / 146097;
    const std::int64_t doe = d - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t dd = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t mm = mp < 10 ? mp + 3 : mp - 9;
    if (mm <= 2) ++y;
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", static_cast<long long>(y), static_cast<long long>(mm),
                  static_cast<long long>(dd));
    return buf;
}

std::string TimeText(unsigned int units)  // 1/10000 s since midnight
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%04u", units / 36000000u, units / 600000u % 60u,
                  units / 10000u % 60u, units % 10000u);
    return buf;
}

}  // namespace

std::string TQuery::FieldName(int index) const
{
    if (index < 0 || index >= FieldCount()) throw EDbClientError("Field index " + std::to_string(index) + " out of range.");
    const XSQLVAR& v = FStatement->Out->sqlvar[index];
    if (v.aliasname_length > 0) return std::string(v.aliasname, static_cast<size_t>(v.aliasname_length));
    return std::string(v.sqlname, static_cast<size_t>(v.sqlname_length));
}

bool TQuery::FieldIsNull(int index) const
{
    if (index < 0 || index >= FieldCount()) throw EDbClientError("Field index " + std::to_string(index) + " out of range.");
    const XSQLVAR& v = FStatement->Out->sqlvar[index];
    return (v.sqltype & 1) && v.sqlind && *v.sqlind < 0;
}

std::string TQuery::BlobText(int index) const
{
    const XSQLVAR& v = FStatement->Out->sqlvar[index];
    TDatabase& database = *FStatement->Database;
    TClientLibrary& lib = database.Library();
    if (!FTransaction || !FTransaction->Active()) throw EDbClientError("Transaction is not active.");
    ISC_QUAD id;
    std::memcpy(&id, v.sqldata, sizeof id);
    TStatusVector status{};
    TIscHandle db = static_cast<TIscHandle>(database.Handle());
    TIscHandle tr = static_cast<TIscHandle>(FTransaction->Handle());
    TIscHandle blob{};
    lib.isc_open_blob2(status.data(), &db, &tr, &blob, &id, 0, nullptr);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    std::string bytes;
    char buffer[32 * 1024];
    for (;;) {
        unsigned short got = 0;
        const TIscStatus rc = lib.isc_get_segment(status.data(), &blob, &got, sizeof buffer, buffer);
        if (rc == isc_segstr_eof) break;
        if (rc != 0 && rc != isc_segment) {
            TStatusVector ignored{};
            lib.isc_close_blob(ignored.data(), &blob);
            RaiseStatusError(lib, status, this);
        }
        bytes.append(buffer, got);
    }
    lib.isc_close_blob(status.data(), &blob);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    return bytes;
}

std::string TQuery::FieldAsString(int index) const
{
    if (FieldIsNull(index)) return {};
    const XSQLVAR& v = FStatement->Out->sqlvar[index];
    const char* data = v.sqldata;
    switch (v.sqltype & ~1) {
    case SQL_TEXT:
        return std::string(data, static_cast<size_t>(v.sqllen));
    case SQL_VARYING: {
        std::uint16_t len;
        std::memcpy(&len, data, 2);
        return std::string(data + 2, len);
    }
    case SQL_SHORT: {
        std::int16_t x;
        std::memcpy(&x, data, sizeof x);
        return ScaledInteger(x, v.sqlscale);
    }
    case SQL_LONG: {
        std::int32_t x;
        std::memcpy(&x, data, sizeof x);
        return ScaledInteger(x, v.sqlscale);
    }
    case SQL_INT64: {
        std::int64_t x;
        std::memcpy(&x, data, sizeof x);
        return ScaledInteger(x, v.sqlscale);
    }
    case SQL_FLOAT: {
        float x;
        std::memcpy(&x, data, sizeof x);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(x));
        return buf;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double x;
        std::memcpy(&x, data, sizeof x);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", x);
        return buf;
    }
    case SQL_TYPE_DATE: {
        ISC_DATE d;
        std::memcpy(&d, data, sizeof d);
        return DateText(d);
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, data, sizeof t);
        return TimeText(t);
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, data, sizeof ts);
        return DateText(ts.timestamp_date) + " " + TimeText(ts.timestamp_time);
    }
    case SQL_BOOLEAN:
        return *data ? "TRUE" : "FALSE";
    case SQL_BLOB:
        return BlobText(index);
    default:
        return "(type " + std::to_string(v.sqltype & ~1) + ")";
    }
}

void TQuery::ExecuteBatch(const std::vector<std::string>& texts)
{
    if (texts.empty()) return;
    Close();
    TDatabase& database = DatabaseToExecute();
    for (const std::string& text : texts) ExecuteImmediate(database, text);
}

void TQuery::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component) {
        if (component == FDatabase) {
            if (FStatement && FStatement->Database == FDatabase) FreeStatement();
            FDatabase = nullptr;
        }
        if (component == FTransaction) {
            FOpen = false;
            FTransaction = nullptr;
        }
    }
    TComponent::Notification(component, operation);
}
