#pragma once
// TQuery: one SQL statement with parameters, executed in a transaction.

#include "base/Component.h"
#include "base/LineList.h"
#include "dbaccess/Database.h"
#include "dbaccess/Transaction.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// SQL types of parameter values, as the client library numbers them.
inline constexpr int kSqlTypeText = 452;
inline constexpr int kSqlTypeVarying = 448;
inline constexpr int kSqlTypeBlob = 520;

struct TParamValue {
    std::string Name;     // as written; unquoted names in upper case
    bool IsNull = true;
    int SQLType = kSqlTypeVarying;
    std::string Bytes;    // the value's bytes (text, or the blob's contents)
};

class TQuery : public TComponent {
public:
    explicit TQuery(TComponent* owner = nullptr);
    ~TQuery() override;  // closes an open result, frees the statement

    TDatabase* Database() const { return FDatabase; }
    void SetDatabase(TDatabase* database);
    TTransaction* Transaction() const { return FTransaction; }
    void SetTransaction(TTransaction* transaction);

    const TLineList& SQL() const { return FSQL; }
    // Copies the lines and scans them for parameter markers (:NAME, ?NAME and
    // ? outside strings and comments); text classified as data definition is
    // taken unchanged. A ":" that no name follows raises EDbClientError
    // "Parameter name expected".
    void SetSQL(const TLineList& lines);
    void SetSQL(const std::string& text);

    int ParamCount() const { return static_cast<int>(FParams.size()); }
    TParamValue& Param(int index);             // by position, from 0
    TParamValue* FindParam(std::string_view name);  // case-insensitive; nullptr if none
    void SetParamString(int index, const std::string& value);
    void SetParamNull(int index);
    void SetParamBlob(int index, std::string bytes);  // SQL type BLOB (520)

    // Whether the current text is data definition (see IsDataDefinition).
    bool IsDDL() const { return FIsDDL; }

    // Prepares (when the text changed) and executes the statement in
    // Transaction. A statement that returns rows leaves its result open.
    void ExecQuery();
    bool Open() const { return FOpen; }  // a result set is open
    void Close();                        // closes an open result set

    // Reading an open result.
    bool Next();  // fetches the next row; false at the end
    int FieldCount() const;
    std::string FieldName(int index) const;
    bool FieldIsNull(int index) const;
    std::string FieldAsString(int index) const;  // blobs read whole, numbers as text

    // Executes the texts in order in Transaction (Firebird has no batch call
    // for immediate statements); the first failure raises the database error.
    void ExecuteBatch(const std::vector<std::string>& texts);

    // Data definition: after blanks and comments the first word is ALTER,
    // CREATE, COMMENT, DROP, DECLARE, GRANT, RECREATE or REVOKE, or the words
    // SET GENERATOR; texts beginning SELECT, MERGE, UPDATE, DELETE, INSERT or
    // EXECUTE never are.
    static bool IsDataDefinition(std::string_view text);
    // The parameter markers of `text` in order (names as reported) and the text
    // with every named marker replaced by "?".
    static std::vector<std::string> ScanParams(std::string_view text, std::string& sqlOut);

private:
    friend class TDatabase;
    friend class TTransaction;
    struct TStatement;  // prepared statement and its descriptor areas (Query.cpp)
    // Drops the statement handle (before its attachment goes); never throws.
    void FreeStatement();
    // Closes an open result, ignoring errors (its transaction is ending).
    void CloseQuietly();
    TDatabase* EffectiveDatabase() const;
    // The database, checked ready: attached, with an active transaction.
    TDatabase& DatabaseToExecute() const;
    void ExecuteImmediate(TDatabase& database, const std::string& text);
    void Prepare(TDatabase& database);
    void BindParams(TDatabase& database);
    std::string BlobText(int index) const;

    TDatabase* FDatabase = nullptr;
    TTransaction* FTransaction = nullptr;
    TLineList FSQL;
    std::string FPreparedText;  // the text sent to the server
    std::vector<TParamValue> FParams;
    std::vector<int> FMarkerParams;  // for each marker in order, its index in FParams
    bool FIsDDL = false;
    bool FImmediate = false;  // no parameters and no rows: execute without preparing
    bool FOpen = false;
    std::unique_ptr<TStatement> FStatement;

protected:
    void Notification(TComponent* component, TOperation operation) override;
};
