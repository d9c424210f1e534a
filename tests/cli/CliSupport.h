// Running the real fbscript binary and looking into the databases it leaves.
#pragma once

#include "dbaccess/Database.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestEnv.h"

namespace clitest {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
    std::string All() const { return Out + Err; }
};

inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Runs fbscript with `args` in folder `dir`; standard input from `input`
// (a file) or nothing.
inline TRun Fbscript(const std::string& dir, const std::vector<std::string>& args,
                     const std::string& input = "/dev/null")
{
    std::string cmd = "cd " + Quote(dir) + " && " + Quote(FBSCRIPT_PATH);
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " <" + Quote(input) + " >" + Quote(dir + "/out.txt") + " 2>" + Quote(dir + "/err.txt");
    const int rc = std::system(cmd.c_str());
    TRun run;
    run.Status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    run.Out = ReadFile(dir + "/out.txt");
    run.Err = ReadFile(dir + "/err.txt");
    return run;
}

inline void Login(TDatabase& db, const std::string& name, const std::string& password)
{
    db.SetDBName(name);
    db.ConnectParams().SetUserName("SYSDBA");
    db.ConnectParams().SetPassword(password);
}

// A new, empty database (embedded when `name` is a plain path).
inline void CreateDatabase(const std::string& name, const std::string& password = "masterkey")
{
    TDatabase db;
    db.SetDBName(name);
    db.DBParams().Add("USER 'SYSDBA' PASSWORD '" + password + "'");
    db.CreateDatabase();
    db.Close();
}

// The first column of every row of `sql`, joined with ",".
inline std::string Query(const std::string& name, const std::string& sql,
                         const std::string& password = "masterkey")
{
    TDatabase db;
    Login(db, name, password);
    db.Open();
    TTransaction tr;
    tr.SetDefaultDatabase(&db);
    tr.StartTransaction();
    TQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetSQL(sql);
    q.ExecQuery();
    std::string out;
    bool first = true;
    while (q.Next()) {
        if (!first) out += ",";
        first = false;
        out += q.FieldIsNull(0) ? "NULL" : q.FieldAsString(0);
    }
    q.Close();
    tr.Commit();
    db.Close();
    return out;
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace clitest
