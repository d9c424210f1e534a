#include "app/core/RepairScript.h"

#include <string>

const std::array<std::string_view, 31> kRepairScriptLines = {
    "SET TERM ^ ;",
    "",
    "",
    "",
    "CREATE OR ALTER TRIGGER TRIG_ONCONNECT",
    "ACTIVE ON CONNECT POSITION 0",
    "AS",
    "DECLARE VARIABLE ANOBASE INTEGER;",
    "DECLARE VARIABLE ANOATUAL INTEGER;",
    "DECLARE VARIABLE CODIGOPRODUTO VARCHAR(20);",
    "DECLARE VARIABLE PRECOCUSTO NUMERIC(15,2);",
    "DECLARE VARIABLE ESTOQUE NUMERIC(15,3);",
    "begin",
    "SELECT FIRST 1 COALESCE(ULTIMOANOBASEESTOQUE, 2015) FROM PADRAO INTO :ANOBASE;",
    "ANOATUAL = EXTRACT(YEAR FROM CURRENT_DATE);",
    "",
    "if (ANOATUAL > ANOBASE) then",
    "BEGIN",
    "   FOR SELECT CODIGO, PRECOCUSTO, COALESCE(ESTOQUEATUAL, 0.000) FROM PRODUTOS",
    "   INTO :CODIGOPRODUTO, :PRECOCUSTO, :ESTOQUE DO",
    "   BEGIN",
    "      UPDATE OR INSERT INTO BALANCETEANUAL(ANO, CODIGOPRODUTO, PRECOCUSTO, ESTOQUE)",
    "      VALUES(:ANOATUAL, :CODIGOPRODUTO, :PRECOCUSTO, :ESTOQUE);",
    "   END",
    "   UPDATE PADRAO SET ULTIMOANOBASEESTOQUE = :ANOATUAL;",
    "END",
    "end",
    "^",
    "",
    "",
    "SET TERM ; ^",
};

TLineList RepairScript()
{
    std::vector<std::string> lines;
    lines.reserve(kRepairScriptLines.size());
    for (std::string_view line : kRepairScriptLines) lines.emplace_back(line);
    return TLineList(std::move(lines));
}
