// Arbitrary bytes as a script: the first byte picks the starting terminator's
// length (0..3), that many bytes follow as the terminator, the rest is split
// into lines at LF. Every statement the parser stores must lie inside the
// lines, in order, and every word walk over it must stay inside it. Our own
// Exception is an accepted outcome; anything else aborts.

#include "base/Exception.h"
#include "base/LineList.h"
#include "scripter/ScriptParser.h"
#include "scripter/StatementText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, const TStatementDesc& d)
{
    std::fprintf(stderr, "parser_fuzz: %s: start (%u,%d) end (%u,%d) kind %u object %u\n", what,
                 unsigned(d.StartPos.Col), int(d.StartPos.Line), unsigned(d.EndPos.Col), int(d.EndPos.Line),
                 unsigned(d.Kind), unsigned(d.ObjectKind));
    std::abort();
}

bool Inside(const TLineList& lines, TTextPos p)
{
    return p.Line >= 0 && p.Line < lines.Count() && p.Col >= 1 && p.Col <= lines[p.Line].size();
}

bool Before(TTextPos a, TTextPos b) { return a.Line < b.Line || (a.Line == b.Line && a.Col <= b.Col); }

void Check(const TLineList& lines, TScriptParser& parser, const TScriptMap& map, std::size_t inputSize)
{
    TTextPos previousEnd{};
    bool previousOpen = false;
    for (std::size_t k = 0; k < map.size(); ++k) {
        const TStatementDesc& d = map[k];
        if (!Inside(lines, d.StartPos)) Fail("start outside the lines", d);
        if (static_cast<unsigned>(d.Kind) > 25 || d.Kind == TStatementKind::skBatch) Fail("bad kind", d);
        if (static_cast<unsigned>(d.ObjectKind) > 17) Fail("bad object kind", d);
        if (k > 0) {
            if (previousOpen) Fail("statement after an open one", d);
            if (Before(d.StartPos, previousEnd)) Fail("statements overlap", d);
        }
        const bool open = d.EndPos.Col == 0;
        if (!open) {
            if (!Inside(lines, d.EndPos)) Fail("end outside the lines", d);
            if (!Before(d.StartPos, d.EndPos)) Fail("end before start", d);
        }
        previousEnd = d.EndPos;
        previousOpen = open;

        TLineList text;
        ExtractStatementText(lines, d.StartPos, d.EndPos, text);
        if (text.Count() == 0 || text[0].empty() || text[0][0] != lines[d.StartPos.Line][d.StartPos.Col - 1u])
            Fail("text does not begin at the start", d);
        std::size_t total = 0;
        for (const std::string& s : text) total += s.size();
        if (total > inputSize) Fail("text longer than the input", d);

        // Walk the words the way the runner's commands do.
        const TTextPos limit = open ? TTextPos{} : d.EndPos;
        std::size_t steps = 0;
        for (TTextPos t = d.StartPos; t.Col != 0 && !open; t = parser.NextToken(t, limit)) {
            if (!Inside(lines, t) || !Before(d.StartPos, t) || !Before(t, limit)) Fail("word outside the statement", d);
            try {
                (void)parser.TokenText(t);
                (void)parser.ObjectKindAt(t);
            } catch (const Exception&) {
            }
            if (++steps > inputSize + 1) Fail("word walk does not end", d);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    std::size_t at = 0;
    const std::size_t termLength = std::min<std::size_t>(data[at++] % 4, size - 1);
    const std::string startTerminator(reinterpret_cast<const char*>(data + at), termLength);
    at += termLength;

    std::vector<std::string> raw;
    raw.emplace_back();
    for (; at < size; ++at) {
        if (data[at] == '\n')
            raw.emplace_back();
        else
            raw.back() += static_cast<char>(data[at]);
    }
    const TLineList lines(raw);

    for (bool closeLast : {true, false}) {
        TScriptParser parser;
        TScriptMap map;
        std::string terminator = startTerminator;
        try {
            parser.ParseScript(lines, terminator, map, closeLast);
        } catch (const Exception&) {
        }
        if (parser.BlockPending()) std::abort();
        Check(lines, parser, map, size);

        // Stale positions must be harmless.
        TLineList text;
        ExtractStatementText(lines, TTextPos{65535, lines.Count() + 3}, TTextPos{65535, lines.Count() + 9}, text);
        ExtractStatementText(lines, TTextPos{1, 0}, TTextPos{65535, lines.Count() + 9}, text);
        (void)parser.NextToken(TTextPos{65535, 0}, TTextPos{65535, lines.Count() + 9});
        (void)parser.TokenText(TTextPos{65535, lines.Count()});
    }
    return 0;
}
