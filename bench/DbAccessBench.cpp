// Cost of one statement of a script through the access layer: a statement
// without parameters goes in one round trip (execute immediate), one with a
// parameter is prepared, described and executed. Over TCP the round trips
// dominate. Set FB_TEST_PORT and FB_TEST_PASSWORD to measure against a
// server (scripts/firebird-server); otherwise the embedded engine is used.

#include "dbaccess/Database.h"
#include "dbaccess/Query.h"
#include "dbaccess/Transaction.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct TBenchDb {
    TDatabase Db;
    TTransaction Tr;
    TQuery Q;
    std::string File;

    TBenchDb()
    {
        const char* port = std::getenv("FB_TEST_PORT");
        const char* password = std::getenv("FB_TEST_PASSWORD");
        const std::string dir = std::filesystem::temp_directory_path().string() + "/restaurol-dbbench-" +
                                std::to_string(::getpid());
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::all);
        File = dir + "/bench.fdb";
        const std::string pw = password ? password : "x";
        Db.SetLibraryName(kDefaultClientLibrary);
        Db.SetDBName(port ? "localhost/" + std::string(port) + ":" + File : File);
        Db.DBParams().Assign(std::vector<std::string>{"USER 'SYSDBA' PASSWORD '" + pw + "'"});
        Db.CreateDatabase();
        Db.Close();
        Db.DBParams().Assign(std::vector<std::string>{"user_name=SYSDBA", "password=" + pw});
        Db.Open();
        Tr.SetDefaultDatabase(&Db);
        Q.SetDatabase(&Db);
        Q.SetTransaction(&Tr);
        Tr.StartTransaction();
        Q.SetSQL("create table t (id int, s varchar(40))");
        Q.ExecQuery();
        Tr.Commit();
        Tr.StartTransaction();
    }
    ~TBenchDb()
    {
        try {
            Tr.Rollback();
            Db.DropDatabase();
        } catch (...) {
        }
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(File).parent_path(), ec);
    }
};

TBenchDb& Bench()
{
    static TBenchDb db;
    return db;
}

// Each iteration is a new statement text, as in a script.
void BM_InsertWithoutParameters(benchmark::State& state)
{
    TBenchDb& b = Bench();
    int n = 0;
    for (auto _ : state) {
        b.Q.SetSQL("insert into t values (" + std::to_string(++n) + ", 'row')");
        b.Q.ExecQuery();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertWithoutParameters)->Unit(benchmark::kMicrosecond);

void BM_InsertWithAParameter(benchmark::State& state)
{
    TBenchDb& b = Bench();
    int n = 0;
    for (auto _ : state) {
        b.Q.SetSQL("insert into t values (" + std::to_string(++n) + ", ?)");
        b.Q.SetParamString(0, "row");
        b.Q.ExecQuery();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertWithAParameter)->Unit(benchmark::kMicrosecond);

// The same prepared statement run again: only the execution travels.
void BM_InsertPreparedOnce(benchmark::State& state)
{
    TBenchDb& b = Bench();
    b.Q.SetSQL("insert into t values (?, ?)");
    int n = 0;
    for (auto _ : state) {
        b.Q.SetParamString(0, std::to_string(++n));
        b.Q.SetParamString(1, "row");
        b.Q.ExecQuery();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertPreparedOnce)->Unit(benchmark::kMicrosecond);

void BM_ExecuteBatch100(benchmark::State& state)
{
    TBenchDb& b = Bench();
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back("insert into t values (" + std::to_string(i) + ", 'batch')");
    for (auto _ : state) b.Q.ExecuteBatch(texts);
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_ExecuteBatch100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
