#include "dbaccess/Transaction.h"

#include "dbaccess/ClientLibrary.h"
#include "dbaccess/DbError.h"
#include "dbaccess/ParamBlock.h"
#include "dbaccess/Query.h"

#include <ibase.h>

#include <algorithm>
#include <limits>

namespace {

// One entry of the transaction existence block that isc_start_multiple takes.
struct TTransactionEntry {
    isc_db_handle* Database;
    ISC_LONG TpbLength;
    const char* Tpb;
};

}  // namespace

TTransaction::TTransaction(TComponent* owner) : TComponent(owner) {}

TTransaction::~TTransaction()
{
    EndByTimeoutAction(true);
    for (TQuery* q : std::vector<TQuery*>(FQueries)) {
        if (q->FTransaction == this) q->FTransaction = nullptr;
        RemoveFreeNotification(q);
    }
    FQueries.clear();
    if (FDefaultDatabase) {
        auto& list = FDefaultDatabase->FTransactions;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (FDefaultDatabase->FDefaultTransaction == this) FDefaultDatabase->FDefaultTransaction = nullptr;
        RemoveFreeNotification(FDefaultDatabase);
        FDefaultDatabase = nullptr;
    }
}

void TTransaction::SetDefaultDatabase(TDatabase* database)
{
    if (database == FDefaultDatabase) return;
    if (Active()) throw EDbClientError("Cannot change the database of an active transaction.");
    if (FDefaultDatabase) {
        auto& list = FDefaultDatabase->FTransactions;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        // Keep the link while the database still names us as its default.
        if (FDefaultDatabase->FDefaultTransaction != this) RemoveFreeNotification(FDefaultDatabase);
    }
    FDefaultDatabase = database;
    if (database) {
        database->FTransactions.push_back(this);
        FreeNotification(database);
    }
}

void TTransaction::StartTransaction()
{
    if (Active()) throw EDbClientError("Transaction is already active.");
    if (!FDefaultDatabase) throw EDbClientError("Transaction has no database.");
    FDefaultDatabase->CheckConnected();

    switch (TPBMode) {
    case TTPBMode::tpbDefault:
        break;
    case TTPBMode::tpbReadCommitted:
        FTRParams.Assign(std::vector<std::string>{"write", "isc_tpb_nowait", "read_committed", "rec_version"});
        break;
    case TTPBMode::tpbSnapshot:
        FTRParams.Assign(std::vector<std::string>{"write", "isc_tpb_nowait", "concurrency"});
        break;
    }
    const std::string tpb = BuildTransactionParamBlock(FTRParams);

    TClientLibrary& lib = FDefaultDatabase->Library();
    TIscHandle db = static_cast<TIscHandle>(FDefaultDatabase->Handle());
    TTransactionEntry entry{&db, static_cast<ISC_LONG>(tpb.size()), tpb.data()};
    TStatusVector status{};
    TIscHandle handle{};
    lib.isc_start_multiple(status.data(), &handle, 1, &entry);
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);
    FHandle = static_cast<std::uintptr_t>(handle);
}

void TTransaction::CloseResults()
{
    for (TQuery* q : std::vector<TQuery*>(FQueries))
        if (q->Open()) q->CloseQuietly();
}

void TTransaction::End(bool commit, bool retaining)
{
    if (!Active()) throw EDbClientError("Transaction is not active.");
    if (!FDefaultDatabase) throw EDbClientError("Transaction has no database.");
    // A full end closes the server's cursors: close ours first.
    if (!retaining) CloseResults();
    TClientLibrary& lib = FDefaultDatabase->Library();
    TStatusVector status{};
    TIscHandle handle = static_cast<TIscHandle>(FHandle);
    if (commit) {
        if (retaining) lib.isc_commit_retaining(status.data(), &handle);
        else lib.isc_commit_transaction(status.data(), &handle);
    } else {
        if (retaining) lib.isc_rollback_retaining(status.data(), &handle);
        else lib.isc_rollback_transaction(status.data(), &handle);
    }
    if (StatusFailed(status)) RaiseStatusError(lib, status, this);  // still active
    FHandle = static_cast<std::uintptr_t>(handle);
}

void TTransaction::Commit() { End(true, false); }
void TTransaction::Rollback() { End(false, false); }
void TTransaction::CommitRetaining() { End(true, true); }
void TTransaction::RollbackRetaining() { End(false, true); }

void TTransaction::EndByTimeoutAction(bool quiet)
{
    if (!Active()) return;
    // Ending because the connection goes away: the retaining forms end fully too.
    const bool commit = TimeoutAction == TTransactionAction::TACommit ||
                        TimeoutAction == TTransactionAction::TACommitRetaining;
    if (!quiet) {
        End(commit, false);
        return;
    }
    try {
        End(commit, false);
        return;
    } catch (...) {
    }
    if (commit) {
        try {
            End(false, false);
            return;
        } catch (...) {
        }
    }
    // Nothing more can be done with this handle; forget it so the detach goes on.
    FHandle = 0;
}

void TTransaction::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component) {
        if (component == FDefaultDatabase) {
            // The database ended us as it closed; only the pointer is left.
            FHandle = 0;
            FDefaultDatabase = nullptr;
        }
        FQueries.erase(std::remove(FQueries.begin(), FQueries.end(), component), FQueries.end());
    }
    TComponent::Notification(component, operation);
}
