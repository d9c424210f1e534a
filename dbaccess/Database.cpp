#include "dbaccess/Database.h"

#include "base/Convert.h"
#include "dbaccess/ClientLibrary.h"
#include "dbaccess/DbError.h"
#include "dbaccess/ParamBlock.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"

#include <ibase.h>

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

const char* const kDbOpen = "Cannot perform operation -- DB is currently open.";

// The line that the password setter rewrites: "password" found first at the
// start of the line or right after an "isc_dpb_" prefix.
int PasswordLine(const TLineList& lines)
{
    for (int i = 0; i < lines.Count(); ++i) {
        const size_t at = AsciiLower(lines[i]).find("password");
        if (at == 0 || at == 8) return i;
    }
    return -1;
}

// A line "name=..." or "isc_dpb_name=...".
int NamedLine(const TLineList& lines, const std::string& name)
{
    const int i = lines.IndexOfName(name);
    return i >= 0 ? i : lines.IndexOfName("isc_dpb_" + name);
}

std::string LineValue(const TLineList& lines, int index)
{
    if (index < 0) return {};
    const std::string& line = lines[index];
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void WriteNamedLine(TLineList& lines, const std::string& name, const std::string& value)
{
    const int i = NamedLine(lines, name);
    if (value.empty()) {
        if (i >= 0) lines.Delete(i);
    } else if (i >= 0) {
        lines.Put(i, name + "=" + value);
    } else {
        lines.Add(name + "=" + value);
    }
}

// The largest database name the attach call takes: its length travels in a
// 16-bit short, and the client refuses what its path buffers cannot hold.
constexpr size_t kMaxDatabaseName = 4095;

}  // namespace

// ---- TConnectParams ----

std::string TConnectParams::UserName() const { return LineValue(FDatabase.DBParams(), NamedLine(FDatabase.DBParams(), "user_name")); }
void TConnectParams::SetUserName(const std::string& value) { WriteNamedLine(FDatabase.DBParams(), "user_name", value); }

std::string TConnectParams::Password() const { return LineValue(FDatabase.DBParams(), PasswordLine(FDatabase.DBParams())); }

void TConnectParams::SetPassword(const std::string& value)
{
    TLineList& lines = FDatabase.DBParams();
    const int i = PasswordLine(lines);
    if (value.empty()) {
        if (i >= 0) lines.Delete(i);
    } else if (i >= 0) {
        lines.Put(i, "password=" + value);
    } else {
        lines.Add("password=" + value);
    }
}

std::string TConnectParams::RoleName() const { return LineValue(FDatabase.DBParams(), NamedLine(FDatabase.DBParams(), "sql_role_name")); }
void TConnectParams::SetRoleName(const std::string& value) { WriteNamedLine(FDatabase.DBParams(), "sql_role_name", value); }

std::string TConnectParams::CharSet() const { return LineValue(FDatabase.DBParams(), NamedLine(FDatabase.DBParams(), "lc_ctype")); }
void TConnectParams::SetCharSet(const std::string& value) { WriteNamedLine(FDatabase.DBParams(), "lc_ctype", AsciiUpper(value)); }

// ---- TDatabase ----

TDatabase::TDatabase(TComponent* owner) : TComponent(owner)
{
    // Runs before every change of the list, so a refused change leaves it as it was.
    FDBParams.SetOnChanging([this] { CheckNotConnected(); });
}

TDatabase::~TDatabase()
{
    try {
        if (Connected()) Detach(true);
    } catch (...) {
    }
    // Nothing may keep pointing at us.
    for (TQuery* q : std::vector<TQuery*>(FQueries)) {
        q->FreeStatement();
        if (q->FDatabase == this) q->FDatabase = nullptr;
        RemoveFreeNotification(q);
    }
    FQueries.clear();
    for (TTransaction* t : std::vector<TTransaction*>(FTransactions)) {
        t->FDefaultDatabase = nullptr;
        RemoveFreeNotification(t);
    }
    FTransactions.clear();
    if (FDefaultTransaction) RemoveFreeNotification(FDefaultTransaction);
    FDefaultTransaction = nullptr;
    FDBParams.SetOnChanging(nullptr);
}

void TDatabase::SetDBName(const std::string& name)
{
    if (name == FDBName) return;
    CheckNotConnected();
    FDBName = name;
}

void TDatabase::SetSQLDialect(int dialect)
{
    if (dialect < 1 || dialect > 3)
        throw EDbClientError("SQL dialect " + std::to_string(dialect) + " is invalid: use 1, 2 or 3.");
    FSQLDialect = dialect;
}

void TDatabase::SetLibraryName(const std::string& name)
{
    if (name == FLibraryName) return;
    CheckNotConnected();
    FLibraryName = name;
    FLibrary = nullptr;
}

void TDatabase::SetDefaultTransaction(TTransaction* transaction)
{
    if (transaction == FDefaultTransaction) return;
    // The link stays while the old one still runs on this database.
    if (FDefaultTransaction && FDefaultTransaction->FDefaultDatabase != this) RemoveFreeNotification(FDefaultTransaction);
    FDefaultTransaction = transaction;
    if (transaction) {
        FreeNotification(transaction);
        if (!transaction->DefaultDatabase()) transaction->SetDefaultDatabase(this);
    }
}

bool TDatabase::Connected() const { return FHandle != 0; }

void TDatabase::SetConnected(bool value)
{
    if (value == Connected()) return;
    if (value) Attach();
    else Detach(false);
}

void TDatabase::CheckConnected() const
{
    if (!Connected()) throw EDbClientError("Database not connected.");
}

void TDatabase::CheckNotConnected() const
{
    if (Connected()) throw EDbClientError(kDbOpen);
}

TClientLibrary& TDatabase::Library()
{
    if (!FLibrary) FLibrary = &LoadClientLibrary(FLibraryName);
    return *FLibrary;
}

std::string TDatabase::BuildDPB() const { return BuildDatabaseParamBlock(FDBParams, FConnectParams.IsFirebird); }

void TDatabase::Attach()
{
    if (Connected()) return;
    if (FDBName.empty()) throw EDbClientError("Database name is missing.");
    TClientLibrary& lib = Library();
    const std::string dpb = BuildDPB();
    if (FDBName.size() > kMaxDatabaseName)
        throw EDbClientError("Database name is too long: " + std::to_string(FDBName.size()) + " bytes, at most " +
                             std::to_string(kMaxDatabaseName) + ".");
    if (dpb.size() > static_cast<size_t>(std::numeric_limits<short>::max()))
        throw EDbClientError("Database parameter block is too long.");

    TStatusVector status{};
    TIscHandle handle{};
    lib.isc_attach_database(status.data(), static_cast<short>(FDBName.size()), FDBName.data(), &handle,
                            static_cast<short>(dpb.size()), dpb.data());
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    FHandle = static_cast<std::uintptr_t>(handle);

    AdoptDatabaseDialect();
}

// Statements are prepared with the lower of the connection's and the
// database's dialect. A failure leaves the connection closed.
void TDatabase::AdoptDatabaseDialect()
{
    try {
        const int dialect = DatabaseSQLDialect();
        if (dialect < FSQLDialect) FSQLDialect = dialect;
    } catch (...) {
        Detach(true);
        throw;
    }
}

void TDatabase::ReleaseDependents(bool quiet)
{
    // Statement handles go before the attachment that owns them.
    for (TQuery* q : std::vector<TQuery*>(FQueries)) q->FreeStatement();
    for (TTransaction* t : std::vector<TTransaction*>(FTransactions))
        if (t->Active()) t->EndByTimeoutAction(quiet);
}

void TDatabase::Detach(bool quiet)
{
    if (!Connected()) return;
    ReleaseDependents(quiet);  // not quiet: a failed commit keeps us attached

    TClientLibrary& lib = Library();
    TStatusVector status{};
    TIscHandle handle = static_cast<TIscHandle>(FHandle);
    lib.isc_detach_database(status.data(), &handle);
    // A failed detach leaves no usable attachment (lost link): count as closed.
    FHandle = 0;
    if (StatusFailed(status) && !quiet) RaiseStatusError(lib, status, this);
}

void TDatabase::CreateDatabase()
{
    CheckNotConnected();
    if (FDBName.empty()) throw EDbClientError("Database name is missing.");
    TClientLibrary& lib = Library();

    // The name goes between quotes: doubling them keeps a quote in the name
    // from ending the literal.
    std::string name;
    for (char c : FDBName) {
        name += c;
        if (c == '\'') name += '\'';
    }
    std::string sql = "CREATE DATABASE '" + name + "' ";
    for (const std::string& line : FDBParams) sql += line + "\r\n";
    if (sql.size() > std::numeric_limits<unsigned short>::max())
        throw EDbClientError("CREATE DATABASE statement is too long.");

    TStatusVector status{};
    TIscHandle db{};
    TIscHandle tr{};
    lib.isc_dsql_execute_immediate(status.data(), &db, &tr, static_cast<unsigned short>(sql.size()), sql.data(),
                                   static_cast<unsigned short>(FSQLDialect), nullptr);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    FHandle = static_cast<std::uintptr_t>(db);

    AdoptDatabaseDialect();
}

void TDatabase::DropDatabase()
{
    CheckConnected();
    ReleaseDependents(false);
    TClientLibrary& lib = Library();
    TStatusVector status{};
    TIscHandle handle = static_cast<TIscHandle>(FHandle);
    lib.isc_drop_database(status.data(), &handle);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    FHandle = 0;
}

bool TDatabase::InfoItem(char item, std::string& data)
{
    CheckConnected();
    TClientLibrary& lib = Library();
    const char items[] = {item, static_cast<char>(isc_info_end)};
    std::string reply(1024, '\0');
    TStatusVector status{};
    TIscHandle handle = static_cast<TIscHandle>(FHandle);
    lib.isc_database_info(status.data(), &handle, sizeof items, items, static_cast<short>(reply.size()),
                          reply.data());
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);

    size_t pos = 0;
    while (pos + 3 <= reply.size()) {
        const char code = reply[pos];
        if (code == static_cast<char>(isc_info_end) || code == static_cast<char>(isc_info_truncated)) break;
        const size_t length = static_cast<size_t>(ReadInfoInteger(&reply[pos + 1], 2)) & 0xFFFF;
        if (pos + 3 + length > reply.size()) break;
        if (code == item) {
            data = reply.substr(pos + 3, length);
            return true;
        }
        pos += 3 + length;
    }
    return false;
}

namespace {

std::int64_t InfoNumber(const std::string& data) { return ReadInfoInteger(data.data(), static_cast<int>(data.size())); }

// The first text of a version reply: a count, then length-prefixed texts.
std::string FirstVersionText(const std::string& data)
{
    if (data.size() < 2) return {};
    const size_t length = static_cast<unsigned char>(data[1]);
    return data.substr(2, std::min(length, data.size() - 2));
}

// major.minor from a text like "LI-V3.0.11.33703 Firebird 3.0".
void ParseVersion(const std::string& text, int& major, int& minor)
{
    major = minor = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) continue;
        size_t j = i;
        int a = 0;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) a = a * 10 + (text[j++] - '0');
        if (j + 1 < text.size() && text[j] == '.' && std::isdigit(static_cast<unsigned char>(text[j + 1]))) {
            int b = 0;
            ++j;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) b = b * 10 + (text[j++] - '0');
            major = a;
            minor = b;
            return;
        }
        i = j;
    }
}

}  // namespace

int TDatabase::DatabaseSQLDialect()
{
    std::string data;
    if (!InfoItem(static_cast<char>(isc_info_db_sql_dialect), data) || data.empty()) return 1;
    return static_cast<int>(InfoNumber(data));
}

bool TDatabase::IsFirebirdServer()
{
    std::string data;
    return InfoItem(static_cast<char>(isc_info_firebird_version), data);
}

std::string TDatabase::FirebirdVersion()
{
    std::string data;
    if (!InfoItem(static_cast<char>(isc_info_firebird_version), data)) return {};
    return FirstVersionText(data);
}

int TDatabase::ServerMajorVersion()
{
    int major, minor;
    ParseVersion(FirebirdVersion().empty() ? ServerVersion() : FirebirdVersion(), major, minor);
    return major;
}

int TDatabase::ServerMinorVersion()
{
    int major, minor;
    ParseVersion(FirebirdVersion().empty() ? ServerVersion() : FirebirdVersion(), major, minor);
    return minor;
}

int TDatabase::ODSMajorVersion()
{
    std::string data;
    return InfoItem(static_cast<char>(isc_info_ods_version), data) ? static_cast<int>(InfoNumber(data)) : 0;
}

int TDatabase::ODSMinorVersion()
{
    std::string data;
    return InfoItem(static_cast<char>(isc_info_ods_minor_version), data) ? static_cast<int>(InfoNumber(data)) : 0;
}

int TDatabase::AttachmentCharSet()
{
    std::string data;
    return InfoItem(static_cast<char>(frb_info_att_charset), data) ? static_cast<int>(InfoNumber(data)) : 0;
}

std::string TDatabase::ServerVersion()
{
    std::string data;
    if (!InfoItem(static_cast<char>(isc_info_version), data)) return {};
    return FirstVersionText(data);
}

bool TDatabase::ForcedWrites()
{
    std::string data;
    return InfoItem(static_cast<char>(isc_info_forced_writes), data) && InfoNumber(data) != 0;
}

void TDatabase::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component) {
        if (component == FDefaultTransaction) FDefaultTransaction = nullptr;
        FTransactions.erase(std::remove(FTransactions.begin(), FTransactions.end(), component), FTransactions.end());
        FQueries.erase(std::remove(FQueries.begin(), FQueries.end(), component), FQueries.end());
    }
    TComponent::Notification(component, operation);
}
