// Test databases for the runner tests: creating one, logging a connection in,
// and a second attachment that sees only what has been committed.
#pragma once

#include "RepairScriptText.h"
#include "dbaccess/Database.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"
#include "scripter/ScriptRunner.h"

#include <string>
#include <vector>

namespace runnertest {

inline void Login(TDatabase& db, const std::string& name, const std::string& password)
{
    db.SetDBName(name);
    db.DBParams().Clear();
    db.DBParams().Add("user_name=SYSDBA");
    db.DBParams().Add("password=" + password);
}

// Creates the database file `name` (a plain path or a remote name) and leaves
// it detached.
inline void CreateDatabase(const std::string& name, const std::string& password)
{
    TDatabase db;
    db.SetDBName(name);
    db.DBParams().Add("USER 'SYSDBA' PASSWORD '" + password + "'");
    db.CreateDatabase();
    db.Close();
}

// Its own attachment and transactions: what it reads has been committed by
// someone. Statements are freed after each call so they hold no locks on the
// objects the runner changes.
class TChecker {
public:
    TChecker(const std::string& name, const std::string& password)
    {
        Login(FDb, name, password);
        FDb.Open();
        FTr.SetDefaultDatabase(&FDb);
    }

    // Runs statements in one transaction and commits it.
    void Exec(const std::vector<std::string>& statements)
    {
        FTr.StartTransaction();
        try {
            for (const auto& sql : statements) {
                TQuery q;
                q.SetDatabase(&FDb);
                q.SetTransaction(&FTr);
                q.SetSQL(sql);
                q.ExecQuery();
                // DDL must be committed before later statements may use it.
                if (q.IsDDL()) {
                    FTr.Commit();
                    FTr.StartTransaction();
                }
            }
            FTr.Commit();
        } catch (...) {
            if (FTr.Active()) FTr.Rollback();
            throw;
        }
    }

    // The rows of a query, each row's fields joined by "|"; NULL reads "<null>".
    std::vector<std::string> Rows(const std::string& sql)
    {
        std::vector<std::string> rows;
        FTr.StartTransaction();
        try {
            {
                TQuery q;
                q.SetDatabase(&FDb);
                q.SetTransaction(&FTr);
                q.SetSQL(sql);
                q.ExecQuery();
                while (q.Next()) {
                    std::string row;
                    for (int i = 0; i < q.FieldCount(); ++i) {
                        if (i) row += '|';
                        row += q.FieldIsNull(i) ? std::string("<null>") : q.FieldAsString(i);
                    }
                    rows.push_back(row);
                }
                q.Close();
            }
            FTr.Commit();
        } catch (...) {
            if (FTr.Active()) FTr.Rollback();
            throw;
        }
        return rows;
    }

    std::string Scalar(const std::string& sql)
    {
        const auto rows = Rows(sql);
        return rows.empty() ? std::string("<none>") : rows.front();
    }

    TDatabase& Db() { return FDb; }

private:
    TDatabase FDb;
    TTransaction FTr;
};

// The repair script as the repair window carries it.
inline const std::vector<std::string>& kRepairScript = testenv::kRepairScriptText;

// Line ends as LF, trailing blank lines dropped.
inline std::string WithoutCR(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// The business tables the repair trigger uses.
inline void CreateRepairTables(TChecker& checker)
{
    checker.Exec({
        "CREATE TABLE PADRAO (ULTIMOANOBASEESTOQUE INTEGER)",
        "CREATE TABLE PRODUTOS (CODIGO VARCHAR(20), PRECOCUSTO NUMERIC(15,2), ESTOQUEATUAL NUMERIC(15,3))",
        "CREATE TABLE BALANCETEANUAL (ANO INTEGER NOT NULL, CODIGOPRODUTO VARCHAR(20) NOT NULL, "
        "PRECOCUSTO NUMERIC(15,2), ESTOQUE NUMERIC(15,3), PRIMARY KEY (ANO, CODIGOPRODUTO))",
    });
}

// The repair window's wiring under `owner`: a connection attached to the
// database and a runner on it, with no Transaction of its own.
inline void WireRunner(TComponent& owner, const std::string& path, const std::string& password, TDatabase*& con,
                       TScriptRunner*& sc)
{
    con = new TDatabase(&owner);
    Login(*con, path, password);
    con->Open();
    sc = new TScriptRunner(&owner);
    sc->SetDatabase(con);
}

}  // namespace runnertest
