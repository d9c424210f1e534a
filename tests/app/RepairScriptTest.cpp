// The carried script, as the runner reads it.

#include "RepairScriptText.h"
#include "app/core/RepairScript.h"
#include "scripter/ScriptRunner.h"

#include <gtest/gtest.h>

namespace {

TEST(RepairScript, LinesAreStoredExactly)
{
    const TLineList script = RepairScript();
    ASSERT_EQ(script.Count(), 31);
    EXPECT_EQ(script.Lines(), testenv::kRepairScriptText);
    EXPECT_EQ(script[0], "SET TERM ^ ;");
    EXPECT_EQ(script[4], "CREATE OR ALTER TRIGGER TRIG_ONCONNECT");
    EXPECT_EQ(script[18], "   FOR SELECT CODIGO, PRECOCUSTO, COALESCE(ESTOQUEATUAL, 0.000) FROM PRODUTOS");
    EXPECT_EQ(script[21], "      UPDATE OR INSERT INTO BALANCETEANUAL(ANO, CODIGOPRODUTO, PRECOCUSTO, ESTOQUE)");
    EXPECT_EQ(script[24], "   UPDATE PADRAO SET ULTIMOANOBASEESTOQUE = :ANOATUAL;");
    EXPECT_EQ(script[27], "^");
    EXPECT_EQ(script[30], "SET TERM ; ^");
    for (int i : {1, 2, 3, 15, 28, 29}) EXPECT_EQ(script[i], "") << "line " << i + 1;
    for (const std::string& line : script) {
        EXPECT_TRUE(line.empty() || line.back() != ' ') << "trailing blank: " << line;
        for (char c : line) EXPECT_GT(static_cast<unsigned char>(c), 0x1F) << line;
    }
}

TEST(RepairScript, RunnerSeesOneTriggerStatement)
{
    TScriptRunner runner;
    runner.SetScript(RepairScript());
    runner.Parse(";");
    ASSERT_EQ(runner.StatementCount(), 1);
    TLineList text;
    const TStatementDesc& desc = runner.GetStatement(1, text);
    EXPECT_EQ(desc.Kind, TStatementKind::skCreate);
    EXPECT_EQ(desc.ObjectKind, TObjectKind::okTrigger);
    EXPECT_EQ(desc.ObjectName, "TRIG_ONCONNECT");
    // Lines 5 to 27 whole, the blank line 16 included, without the "^".
    ASSERT_EQ(text.Count(), 23);
    const TLineList script = RepairScript();
    for (int i = 0; i < 23; ++i) EXPECT_EQ(text[i], script[i + 4]) << "line " << i + 5;
}

}  // namespace
