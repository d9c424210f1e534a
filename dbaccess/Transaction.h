#pragma once
// TTransaction: a transaction on its DefaultDatabase. Ended as TimeoutAction
// says when its connection closes or it is destroyed while active.

#include "base/Component.h"
#include "base/LineList.h"
#include "dbaccess/Database.h"

#include <cstdint>
#include <vector>

class TQuery;

enum class TTPBMode : std::uint8_t {
    tpbDefault = 0,        // TRParams as the user set them
    tpbReadCommitted = 1,  // "write", "isc_tpb_nowait", "read_committed", "rec_version"
    tpbSnapshot = 2,       // "write", "isc_tpb_nowait", "concurrency"
};

class TTransaction : public TComponent {
public:
    explicit TTransaction(TComponent* owner = nullptr);
    // Ends an active transaction as TimeoutAction says; errors are swallowed.
    ~TTransaction() override;

    TDatabase* DefaultDatabase() const { return FDefaultDatabase; }
    void SetDefaultDatabase(TDatabase* database);  // refused while active

    bool Active() const { return FHandle != 0; }
    void StartTransaction();  // EDbClientError when already active or no database
    void Commit();            // ends the transaction
    void Rollback();          // ends the transaction
    void CommitRetaining();
    void RollbackRetaining();

    TTransactionAction TimeoutAction = TTransactionAction::TARollback;
    TTPBMode TPBMode = TTPBMode::tpbReadCommitted;
    // Transaction parameter lines (isc_tpb_ prefix optional); refilled from
    // TPBMode at every start unless TPBMode is tpbDefault.
    TLineList& TRParams() { return FTRParams; }

    // For the layer.
    std::uintptr_t Handle() const { return FHandle; }
    std::uintptr_t* HandlePtr() { return &FHandle; }
    // Ends the transaction as TimeoutAction says (used when the connection closes).
    void EndByTimeoutAction(bool quiet);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDatabase;
    friend class TQuery;
    // Closes the open results of the statements running in this transaction.
    void CloseResults();
    void End(bool commit, bool retaining);

    TDatabase* FDefaultDatabase = nullptr;
    std::vector<TQuery*> FQueries;  // statements whose Transaction is this one
    TLineList FTRParams;
    std::uintptr_t FHandle = 0;
};
