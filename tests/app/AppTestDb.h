#pragma once
// Small database helpers for the repair tool's tests, over the access layer:
// sample Quorvel databases on the tests' private servers, and reading rows.

#include "dbaccess/Database.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"

#include <memory>
#include <string>
#include <vector>

namespace apptest {

using TRows = std::vector<std::vector<std::string>>;  // NULL reads as "<null>"

// One attachment as SYSDBA; `fireTriggers` false suppresses database triggers
// like the repair does, true lets the ON CONNECT trigger run.
class TConnection {
public:
    TConnection(const std::string& dbName, const std::string& password, bool fireTriggers = false)
    {
        FDb = std::make_unique<TDatabase>();
        FDb->DBParams().Assign(std::vector<std::string>{"password=" + password, "user_name=SYSDBA",
                                                        "lc_ctype=ISO8859_1"});
        if (!fireTriggers) FDb->DBParams().Add("isc_dpb_no_db_triggers");
        FDb->SetDBName(dbName);
        FDb->Open();
        FTr = std::make_unique<TTransaction>();
        FTr->SetDefaultDatabase(FDb.get());
    }
    ~TConnection()
    {
        FTr.reset();
        FDb.reset();
    }

    // Each statement in a transaction of its own, committed.
    void Exec(const std::vector<std::string>& statements)
    {
        for (const std::string& sql : statements) {
            FTr->StartTransaction();
            TQuery q;
            q.SetDatabase(FDb.get());
            q.SetTransaction(FTr.get());
            q.SetSQL(sql);
            q.ExecQuery();
            q.Close();
            FTr->Commit();
        }
    }

    TRows Rows(const std::string& sql)
    {
        FTr->StartTransaction();
        TRows rows;
        {
            TQuery q;
            q.SetDatabase(FDb.get());
            q.SetTransaction(FTr.get());
            q.SetSQL(sql);
            q.ExecQuery();
            while (q.Next()) {
                std::vector<std::string> row;
                for (int i = 0; i < q.FieldCount(); ++i)
                    row.push_back(q.FieldIsNull(i) ? "<null>" : q.FieldAsString(i));
                rows.push_back(std::move(row));
            }
            q.Close();
        }
        FTr->Commit();
        return rows;
    }

    std::string Scalar(const std::string& sql)
    {
        const TRows rows = Rows(sql);
        return rows.empty() || rows[0].empty() ? std::string("<none>") : rows[0][0];
    }

private:
    std::unique_ptr<TDatabase> FDb;
    std::unique_ptr<TTransaction> FTr;
};

inline std::string BalanceTable()
{
    return "CREATE TABLE BALANCETEANUAL (ANO INTEGER NOT NULL, CODIGOPRODUTO VARCHAR(20) NOT NULL,"
           " PRECOCUSTO NUMERIC(15,2), ESTOQUE NUMERIC(15,3), PRIMARY KEY (ANO, CODIGOPRODUTO))";
}

// The tables of a Quorvel database that the repair's trigger uses.
inline std::vector<std::string> QuorvelTables(bool withBalance)
{
    std::vector<std::string> ddl = {
        "CREATE TABLE PADRAO (ID INTEGER NOT NULL PRIMARY KEY, ULTIMOANOBASEESTOQUE INTEGER)",
        "CREATE TABLE PRODUTOS (CODIGO VARCHAR(20) NOT NULL PRIMARY KEY, DESCRICAO VARCHAR(60),"
        " PRECOCUSTO NUMERIC(15,2), ESTOQUEATUAL NUMERIC(15,3))",
    };
    if (withBalance) ddl.push_back(BalanceTable());
    return ddl;
}

// Creates a database file at `dbName` (through a server) with the Quorvel
// tables; BALANCETEANUAL only when `withBalance`.
inline void CreateQuorvelDatabase(const std::string& dbName, const std::string& password, bool withBalance)
{
    {
        TDatabase db;
        db.SetDBName(dbName);
        db.DBParams().Assign(std::vector<std::string>{"USER 'SYSDBA'", "PASSWORD '" + password + "'",
                                                      "DEFAULT CHARACTER SET ISO8859_1"});
        db.CreateDatabase();
        db.Close();
    }
    TConnection(dbName, password).Exec(QuorvelTables(withBalance));
}

}  // namespace apptest
