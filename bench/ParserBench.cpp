// Parsing speed over generated scripts of 1, 10 and 100 MB. The mix is what
// real maintenance scripts hold: INSERTs whose strings carry ";" and doubled
// quotes, comments, and procedures both under SET TERM and under ";".

#include "scripter/ScriptParser.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

namespace {

struct TScript {
    TLineList Lines;
    std::int64_t Bytes = 0;
};

void AddLine(TScript& s, std::string line)
{
    s.Bytes += static_cast<std::int64_t>(line.size()) + 2;  // as a file with CR LF
    s.Lines.Add(std::move(line));
}

void AddChunk(TScript& s, int n)
{
    const std::string id = std::to_string(n);
    switch (n % 20) {
    case 0:
        AddLine(s, "-- lote " + id + ": clientes; produtos; saldos");
        break;
    case 1:
        AddLine(s, "/* revisao " + id + "; nao apagar;");
        AddLine(s, "   ver 'notas' */");
        break;
    case 2:
        AddLine(s, "CREATE OR ALTER PROCEDURE P_" + id + " (A INTEGER, B VARCHAR(20))");
        AddLine(s, "RETURNS (TOTAL NUMERIC(15,2))");
        AddLine(s, "AS");
        AddLine(s, "DECLARE VARIABLE X INTEGER;");
        AddLine(s, "BEGIN");
        AddLine(s, "  X = 0;");
        AddLine(s, "  FOR SELECT PRECO FROM PRODUTOS WHERE GRUPO = :A INTO :TOTAL DO");
        AddLine(s, "  BEGIN");
        AddLine(s, "    X = CASE WHEN TOTAL > 10 THEN X + 1 ELSE X END;");
        AddLine(s, "    SUSPEND;");
        AddLine(s, "  END");
        AddLine(s, "END;");
        break;
    case 3:
        AddLine(s, "SET TERM ^ ;");
        AddLine(s, "CREATE OR ALTER TRIGGER TR_" + id + " FOR PRODUTOS ACTIVE BEFORE UPDATE POSITION 0");
        AddLine(s, "AS");
        AddLine(s, "BEGIN");
        AddLine(s, "  NEW.ALTERADO = CURRENT_TIMESTAMP; -- marca; sempre");
        AddLine(s, "  IF (NEW.PRECO < 0) THEN NEW.PRECO = 0;");
        AddLine(s, "END^");
        AddLine(s, "SET TERM ; ^");
        break;
    case 4:
        AddLine(s, "UPDATE PRODUTOS SET DESCRICAO = 'Caixa; 12 un', OBS = 'it''s ok' WHERE CODIGO = '" + id + "';");
        break;
    default:
        AddLine(s, "INSERT INTO CLIENTES (ID, NOME, ENDERECO, OBS) VALUES (" + id + ", 'Cliente " + id +
                       "', 'Rua das Flores, 12; apto 3', 'D''Avila; \"VIP\"');");
        break;
    }
}

const TScript& ScriptOfMegabytes(int mb)
{
    static std::map<int, TScript> cache;
    TScript& s = cache[mb];
    if (s.Lines.Count() == 0) {
        const std::int64_t target = static_cast<std::int64_t>(mb) * 1024 * 1024;
        for (int n = 0; s.Bytes < target; ++n) AddChunk(s, n);
    }
    return s;
}

void BM_ParseScript(benchmark::State& state)
{
    const TScript& script = ScriptOfMegabytes(static_cast<int>(state.range(0)));
    TScriptParser parser;
    TScriptMap map;
    for (auto _ : state) {
        std::string terminator = ";";
        parser.ParseScript(script.Lines, terminator, map, true);
        benchmark::DoNotOptimize(map.data());
    }
    state.SetBytesProcessed(state.iterations() * script.Bytes);
    state.counters["statements"] = static_cast<double>(map.size());
}

}  // namespace

BENCHMARK(BM_ParseScript)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
