#pragma once
// The repair tool's script, written out once for the tests: the oracle the
// carried copy is compared with, and the script the runner tests run.

#include <string>
#include <vector>

namespace testenv {

inline const std::vector<std::string> kRepairScriptText = {
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

}  // namespace testenv
