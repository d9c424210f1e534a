// Small helpers shared by the access layer's database tests.
#pragma once

#include "TestEnv.h"
#include "dbaccess/Database.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"

#include <string>

namespace dbtest {

// Creates the database file `name` (embedded engine for a plain path, or a
// server name) and leaves `db` attached to it with a user-name/password block.
inline void CreateAndAttach(TDatabase& db, const std::string& name, const std::string& password = "x",
                            int dialect = 3)
{
    db.SetLibraryName(testenv::ClientLibrary());
    db.SetDBName(name);
    db.SetSQLDialect(dialect);
    db.DBParams().Assign(std::vector<std::string>{"USER 'SYSDBA' PASSWORD '" + password + "'"});
    db.CreateDatabase();
    db.Close();
    db.DBParams().Assign(std::vector<std::string>{"user_name=SYSDBA", "password=" + password});
    db.Open();
}

// Runs statements in a transaction of their own and commits them.
inline void RunCommitted(TDatabase& db, std::initializer_list<const char*> statements)
{
    TTransaction tr;
    tr.SetDefaultDatabase(&db);
    TQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    tr.StartTransaction();
    for (const char* s : statements) {
        q.SetSQL(std::string(s));
        q.ExecQuery();
    }
    tr.Commit();
}

// The first column of every row of `sql`, joined by ",", in a fresh transaction.
inline std::string Column(TDatabase& db, const std::string& sql)
{
    TTransaction tr;
    tr.SetDefaultDatabase(&db);
    TQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    tr.StartTransaction();
    q.SetSQL(sql);
    q.ExecQuery();
    std::string out;
    while (q.Next()) {
        if (!out.empty()) out += ",";
        out += q.FieldIsNull(0) ? "<null>" : q.FieldAsString(0);
    }
    q.Close();
    tr.Commit();
    return out;
}

}  // namespace dbtest
