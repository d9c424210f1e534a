#pragma once
// TScriptParser: splits script lines into statements at the current
// terminator (honouring comments, quoted strings and SET TERM), classifies
// each statement by its leading words and keeps procedure, trigger and
// EXECUTE BLOCK bodies written under ";" whole. Also the word-level helpers
// (KeywordAt, NextToken, TokenText) the runner's commands build on.

#include "base/LineList.h"
#include "scripter/StatementModel.h"

#include <cstdint>
#include <string>
#include <string_view>

class TScriptParser {
public:
    // Fills `map` with the statements of `lines`. `terminator` goes in and
    // comes out as the last SET TERM left it. With `closeLast` a statement
    // still open at the end is closed there; without, it stays with
    // EndPos.Col = 0. Raises Exception for a line too long for a column
    // (before anything is scanned) and "Can't find end token" for a quoted
    // name without its closing quote (the map then holds what was found).
    void ParseScript(const TLineList& lines, std::string& terminator, TScriptMap& map, bool closeLast);

    // Whether the upper-case `keyword` stands at 1-based `col` of `s`,
    // followed by a keyword delimiter or the end of `s`. The character before
    // `col` is not looked at.
    static bool KeywordAt(std::string_view keyword, std::string_view s, int col);

    // The word after the word at `from`, up to and including `limit`, over
    // ScriptLines(); Col 0 when there is none.
    TTextPos NextToken(TTextPos from, TTextPos limit) const;
    // The text of the word at `pos`, quotes removed. Raises
    // Exception("Can't find end token") for an opening quote without its
    // closing one on the line. An invalid position gives "".
    std::string TokenText(TTextPos pos) const;

    // Fills Kind, ObjectKind and ObjectName; false while a body written under
    // ";" is still open (the scan then carries on to the next terminator).
    bool ClassifyStatement(TStatementDesc& desc, bool terminatorIsSemicolon);
    TStatementKind StatementKindAt(const std::string& line, int col) const;
    TObjectKind ObjectKindAt(TTextPos pos) const;
    // Normal mode: moves `w` onto the first object keyword after it and sets
    // ObjectKind. Grant mode: takes the object (and its kind) after ON.
    void FindObjectKeyword(TStatementDesc& desc, TTextPos& w, bool grantMode);

    const TLineList* ScriptLines() const { return FScriptLines; }
    void SetScriptLines(const TLineList* lines) { FScriptLines = lines; }
    const std::string& CurrentDatabase() const { return FCurrentDatabase; }

    // Body check state of the statement whose body is open.
    bool BlockPending() const { return FBlockPending; }
    bool BlockBeginSeen() const { return FBlockBeginSeen; }
    int BlockDepth() const { return FBlockDepth; }
    TTextPos BlockResumePos() const { return FBlockResumePos; }

    // Longest line a 16-bit column can address.
    static constexpr std::size_t MaxLineLength = 65535;

private:
    bool CheckBlockEnd(TStatementDesc& desc, TTextPos w, bool resume);
    // The name word: TokenText of `w`, or "" when `w` is missing.
    std::string NameAt(TTextPos w) const;
    // The line at `pos`, or nullptr when it lies outside the lines.
    const std::string* LineAt(TTextPos pos) const;
    bool KeywordAtPos(std::string_view keyword, TTextPos pos) const;

    const TLineList* FScriptLines = nullptr;
    std::string FCurrentDatabase;
    bool FBlockPending = false;
    bool FBlockBeginSeen = false;
    int FBlockDepth = 0;
    TTextPos FBlockResumePos;
};
