#include "scripter/StatementText.h"

#include "base/TextFile.h"

#include <algorithm>
#include <iterator>

void ExtractStatementText(const TLineList& lines, TTextPos start, TTextPos end, TLineList& out)
{
    out.Clear();
    const std::vector<std::string>& L = lines.Lines();
    if (L.empty() || start.Col == 0 || start.Line < 0 || start.Line >= static_cast<std::int32_t>(L.size()))
        return;
    const std::int32_t last = static_cast<std::int32_t>(L.size()) - 1;
    std::int32_t endLine = end.Line;
    std::size_t endCol = end.Col;
    if (end.Col == 0 || endLine > last) {
        endLine = last;
        endCol = L[static_cast<std::size_t>(last)].size();
    }
    if (endLine < start.Line || (endLine == start.Line && endCol < start.Col)) return;

    out.Reserve(endLine - start.Line + 1);
    for (std::int32_t i = start.Line; i <= endLine; ++i) {
        const std::string& s = L[static_cast<std::size_t>(i)];
        const std::size_t from = i == start.Line ? std::min<std::size_t>(start.Col - 1u, s.size()) : 0;
        const std::size_t to = i == endLine ? std::min(endCol, s.size()) : s.size();  // exclusive
        if (from == 0 && to == s.size())
            out.Add(s);
        else
            out.Add(to > from ? s.substr(from, to - from) : std::string());
    }
}

int CountFileLines(const std::string& fileName)
{
    TTextFileReader reader(fileName);
    std::string line;
    int count = 0;
    while (reader.ReadLine(line)) ++count;
    return std::max(count, 1);
}

const char* StatementKindName(TStatementKind kind)
{
    static const char* const names[] = {
        "skUnknown",      "skMalformed",   "skDML",           "skConnect",    "skDisconnect",
        "skReconnect",    "skCreateDatabase", "skDropDatabase", "skCommit",     "skRollback",
        "skCreate",       "skAlter",       "skRecreate",      "skDrop",       "skSet",
        "skSetGenerator", "skSetStatistics", "skDescribe",    "skDeclare",    "skComment",
        "skGrant",        "skInput",       "skBatch",         "skBatchStart", "skBatchExecute",
        "skExecute",
    };
    const auto i = static_cast<std::size_t>(kind);
    return i < std::size(names) ? names[i] : "?";
}

const char* ObjectKindName(TObjectKind kind)
{
    static const char* const names[] = {
        "okNone",      "okDatabase", "okDomain",     "okTable",  "okView",      "okProcedure",
        "okTrigger",   "okFunction", "okException",  "okGenerator", "okIndex",  "okConstraint",
        "okFilter",    "okField",    "okParameter",  "okRole",   "okBlock",     "okUser",
    };
    const auto i = static_cast<std::size_t>(kind);
    return i < std::size(names) ? names[i] : "?";
}
