// Peak memory of a file run: a generated input file of INSERT statements
// (RESTAUROL_INPUT_BENCH_MB megabytes, 50 by default; 1024 for the full run)
// goes through ExecuteFromFile on an embedded database. The file is read line
// by line and never held whole, so the process's peak resident size must stay
// within 64 MB whatever the file's size.
//
// The embedded engine's page cache lives in this process and counts in its
// resident size, so the database is attached with a small page buffer
// (num_buffers) and the script commits every few hundred statements.

#include "base/Platform.h"
#include "dbaccess/Database.h"
#include "scripter/ScriptRunner.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

constexpr double kLimitMB = 64.0;
constexpr int kLinesPerStatement = 38;
constexpr int kStatementsPerCommit = 500;

double PeakRssMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

std::int64_t TargetBytes()
{
    const char* text = std::getenv("RESTAUROL_INPUT_BENCH_MB");
    const long mb = text && *text ? std::strtol(text, nullptr, 10) : 50;
    return static_cast<std::int64_t>(mb > 0 ? mb : 50) * 1024 * 1024;
}

fs::path WorkDir()
{
    const char* dir = std::getenv("RESTAUROL_BENCH_DIR");
    fs::path path = dir && *dir ? fs::path(dir) : fs::path(ExecutableFileName()).parent_path() / "input-bench";
    fs::create_directories(path);
    return path;
}

// INSERTs of about 4 KB, each over many lines; some lines hold ";" or a
// doubled quote inside the string, so the buffer is parsed before the
// statement is complete. Returns the number of statements written.
std::int64_t GenerateScript(const fs::path& file, std::int64_t targetBytes)
{
    std::ofstream out(file, std::ios::binary);
    std::int64_t written = 0, statements = 0;
    std::string line;
    while (written < targetBytes) {
        ++statements;
        line = "INSERT INTO T (ID, TXT) VALUES (" + std::to_string(statements) + ", '";
        out << line << "\n";
        written += static_cast<std::int64_t>(line.size()) + 1;
        for (int i = 0; i < kLinesPerStatement; ++i) {
            line.assign(96, static_cast<char>('a' + (statements + i) % 26));
            if (i % 5 == 0) line[40] = ';';
            if (i % 7 == 0) line.replace(60, 2, "''");
            out << line << "\n";
            written += static_cast<std::int64_t>(line.size()) + 1;
        }
        out << "');\n";
        written += 4;
        if (statements % kStatementsPerCommit == 0) {
            out << "COMMIT;\n";
            written += 8;
        }
    }
    out << "COMMIT;\n";
    return statements;
}

void BM_ExecuteFromFilePeakMemory(benchmark::State& state)
{
    const fs::path dir = WorkDir();
    const fs::path database = dir / "input-bench.fdb";
    const fs::path script = dir / "input-bench.sql";
    fs::remove(database);

    const std::int64_t statements = GenerateScript(script, TargetBytes());
    const auto fileBytes = static_cast<std::int64_t>(fs::file_size(script));

    TDatabase db;
    db.SetDBName(database.string());
    db.DBParams().Add("USER 'SYSDBA' PAGE_SIZE 8192");
    db.CreateDatabase();
    db.Close();
    db.DBParams().Clear();
    db.DBParams().Add("user_name=SYSDBA");
    db.DBParams().Add("num_buffers=128");  // 1 MB of page cache
    db.Open();

    double before = 0, after = 0;
    for (auto _ : state) {
        TScriptRunner runner;
        runner.SetDatabase(&db);
        runner.SetScript(TLineList({"CREATE TABLE T (ID INTEGER, TXT VARCHAR(4000));"}));
        runner.ExecuteScript(1);
        before = PeakRssMB();
        runner.ExecuteFromFile(script.string(), ";");
        after = PeakRssMB();
        runner.SetDatabase(nullptr);
    }

    state.SetBytesProcessed(fileBytes);
    state.counters["file_MB"] = static_cast<double>(fileBytes) / (1024.0 * 1024.0);
    state.counters["statements"] = static_cast<double>(statements);
    state.counters["peak_rss_before_MB"] = before;
    state.counters["peak_rss_MB"] = after;
    db.Close();
    fs::remove(script);
    fs::remove(database);
    if (after > kLimitMB) state.SkipWithError("peak resident size above 64 MB");
}

BENCHMARK(BM_ExecuteFromFilePeakMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
