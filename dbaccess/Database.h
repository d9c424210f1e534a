#pragma once
// TDatabase: one attachment to a Firebird database through the client library,
// which is loaded at run time by file name (LibraryName).

#include "base/Component.h"
#include "base/LineList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TTransaction;
class TDatabase;
class TQuery;
struct TClientLibrary;  // the loaded client library's entry points (Database.cpp)

// The client library's file name on this platform.
#ifdef _WIN32
inline constexpr const char* kDefaultClientLibrary = "gds32.dll";
#else
inline constexpr const char* kDefaultClientLibrary = "libfbclient.so.2";
#endif

enum class TTransactionAction : std::uint8_t {
    TARollback = 0,
    TARollbackRetaining = 1,
    TACommit = 2,
    TACommitRetaining = 3,
};

// The login items of DBParams, read and written by name. Setting a value
// rewrites its line of DBParams (or adds it); an empty value removes the line.
class TConnectParams {
public:
    explicit TConnectParams(TDatabase& database) : FDatabase(database) {}
    std::string UserName() const;
    void SetUserName(const std::string& value);
    std::string Password() const;
    // Rewrites, in place, the first line whose name is "password" or
    // "isc_dpb_password" (any case); adds one when there is none.
    void SetPassword(const std::string& value);
    std::string RoleName() const;
    void SetRoleName(const std::string& value);
    std::string CharSet() const;
    void SetCharSet(const std::string& value);  // stored in upper case
    // Firebird-only items (no_db_triggers) are written only when true.
    bool IsFirebird = true;

private:
    TDatabase& FDatabase;
};

class TDatabase : public TComponent {
public:
    explicit TDatabase(TComponent* owner = nullptr);
    // Closes the attachment; errors are swallowed.
    ~TDatabase() override;

    const std::string& DBName() const { return FDBName; }
    // Refused while attached: "Cannot perform operation -- DB is currently open."
    void SetDBName(const std::string& name);
    // name=value lines from which the database parameter block is built. Any
    // change while attached is refused with the same message.
    TLineList& DBParams() { return FDBParams; }
    const TLineList& DBParams() const { return FDBParams; }
    TConnectParams& ConnectParams() { return FConnectParams; }

    int SQLDialect() const { return FSQLDialect; }
    void SetSQLDialect(int dialect);  // 1..3, else EDbClientError
    const std::string& LibraryName() const { return FLibraryName; }
    void SetLibraryName(const std::string& name);
    TTransaction* DefaultTransaction() const { return FDefaultTransaction; }
    void SetDefaultTransaction(TTransaction* transaction);

    bool Connected() const;
    // true: load the library if needed, build the parameter block, attach,
    // read the database's dialect. false: end every active transaction as its
    // TimeoutAction says, then detach. Nothing when already in that state.
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    // Executes "CREATE DATABASE '<DBName>' " followed by every DBParams line
    // and CR LF, without a transaction, with SQLDialect; the connection is
    // attached to the new database afterwards.
    void CreateDatabase();
    // Drops the attached database; the connection is detached afterwards.
    void DropDatabase();

    // Database information (attached only).
    int DatabaseSQLDialect();           // 1 when the reply has no dialect item
    bool IsFirebirdServer();            // isc_info_firebird_version present
    std::string FirebirdVersion();      // e.g. "LI-V3.0.11.33703 Firebird 3.0"; empty if not Firebird
    int ServerMajorVersion();           // from the version text
    int ServerMinorVersion();
    int ODSMajorVersion();
    int ODSMinorVersion();
    int AttachmentCharSet();            // frb_info_att_charset; 0 = NONE
    std::string ServerVersion();        // isc_info_version text
    bool ForcedWrites();                // from the database header

    // The transactions whose DefaultDatabase is this connection.
    const std::vector<TTransaction*>& Transactions() const { return FTransactions; }

    // For the layer: the attachment handle and the loaded library.
    std::uintptr_t Handle() const { return FHandle; }
    TClientLibrary& Library();
    // Raises EDbClientError "Database not connected" (or similar) when closed.
    void CheckConnected() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTransaction;
    friend class TQuery;
    void CheckNotConnected() const;
    // The reply's data for one information item; false when the reply lacks it.
    bool InfoItem(char item, std::string& data);
    // Ends what depends on the attachment: statements first, then transactions.
    void ReleaseDependents(bool quiet);
    void Attach();
    void AdoptDatabaseDialect();
    void Detach(bool quiet);
    std::string BuildDPB() const;

    std::string FDBName;
    TLineList FDBParams;
    TConnectParams FConnectParams{*this};
    int FSQLDialect = 3;
    std::string FLibraryName = kDefaultClientLibrary;
    TTransaction* FDefaultTransaction = nullptr;
    std::vector<TTransaction*> FTransactions;
    std::vector<TQuery*> FQueries;  // statements prepared on this connection
    std::uintptr_t FHandle = 0;
    TClientLibrary* FLibrary = nullptr;
};
