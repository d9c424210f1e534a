#pragma once
// Shared by the parser tests: parse a script and render its map compactly, so
// that a table row states a whole expected map in a few strings.

#include "base/LineList.h"
#include "scripter/ScriptParser.h"
#include "scripter/StatementText.h"

#include <string>
#include <vector>

namespace parsertest {

inline std::string Pos(TTextPos p) { return "(" + std::to_string(p.Col) + "," + std::to_string(p.Line) + ")"; }

// "skCreate okTrigger 'TRIG_ONCONNECT'"
inline std::string Kinds(const TStatementDesc& d)
{
    return std::string(StatementKindName(d.Kind)) + " " + ObjectKindName(d.ObjectKind) + " '" + d.ObjectName + "'";
}

// "(1,4)-(3,26) skCreate okTrigger 'TRIG_ONCONNECT'"
inline std::string Full(const TStatementDesc& d) { return Pos(d.StartPos) + "-" + Pos(d.EndPos) + " " + Kinds(d); }

struct TParsed {
    TScriptMap Map;
    std::string Terminator;
    std::vector<std::string> Full;   // one per statement
    std::vector<std::string> Kinds;  // one per statement
    std::vector<std::string> Texts;  // statement texts, lines joined by "\n"
};

inline std::string Joined(const TLineList& lines)
{
    std::string s;
    for (int i = 0; i < lines.Count(); ++i) s += (i ? "\n" : "") + lines[i];
    return s;
}

inline TParsed Parse(TScriptParser& parser, const TLineList& lines, const std::string& terminator = ";",
                     bool closeLast = true)
{
    TParsed r;
    r.Terminator = terminator;
    parser.ParseScript(lines, r.Terminator, r.Map, closeLast);
    for (const TStatementDesc& d : r.Map) {
        r.Full.push_back(Full(d));
        r.Kinds.push_back(Kinds(d));
        TLineList text;
        ExtractStatementText(lines, d.StartPos, d.EndPos, text);
        r.Texts.push_back(Joined(text));
    }
    return r;
}

}  // namespace parsertest
