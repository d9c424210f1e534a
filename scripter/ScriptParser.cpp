// The script scan and the statement classifier.
//
// The scan is one pass over the characters with a handful of state:
//   InStatement   between statements / inside one
//   LexState      Normal, BlockComment, SingleQuoted, DoubleQuoted (carried across lines)
//   SetTermState  None, AfterSet (statement began with SET), AfterTerm (TERM seen in it)
// Between statements blanks, "," ";" "^" and comments are passed over; any other
// character begins a statement (a lone "-" or "/" one that is malformed).
// Inside a statement, in Normal state, only a few bytes matter: "/" (comment
// start), quotes, "-" (line comment), "T"/"t" after SET (TERM) and the first
// byte of the current terminator. A 256-entry action table per SetTermState
// marks them, so the common case is a tight loop over "nothing to do" bytes;
// strings and comments are skipped with memchr. Words are looked at only when a
// terminator is accepted: the classifier walks them with NextToken.
//
// Deliberate differences from the naive rules, each to avoid a wrong result:
// - KeywordAt folds case only for letters: otherwise ";" would also match "["
//   and "^" "~", ending statements in the middle of the text. It compares the
//   whole keyword, however long.
// - A line longer than a 16-bit column can address is refused before the scan
//   with an Exception naming it, instead of wrapping positions.
// - The "*" of a comment's own "/*" never closes it, so "/*/" opens a comment.
// - A terminator in column 1 after empty lines ends the statement at the last
//   character of the nearest non-empty line, never at (0, empty line), which
//   would read as "end not found" and run the statement to the end of the script.

#include "scripter/ScriptParser.h"

#include "base/Exception.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

enum : std::uint8_t { cBlank = 1, cKeyDelim = 2, cWordDelim = 4, cTextDelim = 8 };

constexpr std::array<std::uint8_t, 256> MakeClasses()
{
    std::array<std::uint8_t, 256> t{};
    for (unsigned char c : {'\t', '\n', '\r', ' '}) t[c] = cBlank | cKeyDelim | cWordDelim | cTextDelim;
    for (unsigned char c : {',', '-', '/', ';', '^'}) t[c] |= cKeyDelim;
    for (unsigned char c : {'-', '/', ';'}) t[c] |= cWordDelim;
    for (unsigned char c : {'(', ',', '-', '/', ';'}) t[c] |= cTextDelim;
    return t;
}
constexpr std::array<std::uint8_t, 256> Classes = MakeClasses();

inline bool Is(char c, std::uint8_t cls) { return (Classes[static_cast<unsigned char>(c)] & cls) != 0; }
inline bool IsQuote(char c) { return c == '\'' || c == '"'; }
inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

enum class TLexState : std::uint8_t { lsNormal = 0, lsBlockComment = 1, lsSingleQuoted = 2, lsDoubleQuoted = 3 };
enum class TSetTermState : std::uint8_t { tsNone = 0, tsAfterSet = 1, tsAfterTerm = 2 };

// What a byte does inside a statement in Normal state.
enum : std::uint8_t { aNone = 0, aSlash, aDoubleQuote, aSingleQuote, aDash, aLetterT, aTerm };

using TActionTable = std::array<std::uint8_t, 256>;

bool IsSpecial(unsigned char c) { return c == '/' || c == '"' || c == '\'' || c == '-' || c == 'T' || c == 't'; }

struct TBaseActions {
    TActionTable Plain{};    // comment starts and quotes
    TActionTable Collect{};  // after TERM: every ordinary byte may join the new terminator
    TBaseActions()
    {
        Plain['/'] = aSlash;
        Plain['"'] = aDoubleQuote;
        Plain['\''] = aSingleQuote;
        Plain['-'] = aDash;
        Collect = Plain;
        for (int c = 0; c < 256; ++c)
            if (!IsSpecial(static_cast<unsigned char>(c))) Collect[c] = aTerm;
    }
};

// One table per SetTermState for the current terminator.
void BuildActions(const std::string& terminator, std::array<TActionTable, 3>& tables)
{
    static const TBaseActions base;
    TActionTable& plain = tables[0];
    plain = base.Plain;
    if (terminator.empty()) {
        // Every keyword delimiter that is not a comment start ends a statement.
        for (unsigned char c : {'\t', '\n', '\r', ' ', ',', ';', '^'}) plain[c] = aTerm;
    } else {
        const auto first = static_cast<unsigned char>(terminator[0]);
        if (!IsSpecial(first)) {
            plain[first] = aTerm;
            if (first >= 'A' && first <= 'Z') plain[first + 32] = aTerm;
        }
    }
    tables[1] = plain;
    tables[1]['T'] = aLetterT;
    tables[1]['t'] = aLetterT;
    tables[2] = base.Collect;
}

TTextPos Pos(std::size_t col, std::int32_t line)
{
    TTextPos p;
    p.Col = static_cast<std::uint16_t>(col);
    p.Line = line;
    return p;
}

// Where a body walk resumes: the terminator's first character, EndPos.Col + 1.
// At the 16-bit limit EndPos is the line's last character, from which
// NextToken moves on to the next line just the same.
TTextPos ResumeAfter(TTextPos end)
{
    if (end.Col < TScriptParser::MaxLineLength) ++end.Col;
    return end;
}

bool IsBodyKind(const TStatementDesc& d)
{
    return (d.ObjectKind == TObjectKind::okProcedure || d.ObjectKind == TObjectKind::okTrigger ||
            d.ObjectKind == TObjectKind::okBlock) &&
           d.Kind != TStatementKind::skDrop;
}

void GrowMap(TScriptMap& map)
{
    const std::size_t cap = map.size();
    const std::size_t step = cap <= 8 ? 4 : cap <= 64 ? 16 : cap / 4;
    map.resize(cap + step);
}

}  // namespace

bool TScriptParser::KeywordAt(std::string_view keyword, std::string_view s, int col)
{
    if (col < 1 || static_cast<std::size_t>(col) > s.size()) return false;
    const std::size_t start = static_cast<std::size_t>(col) - 1;
    const std::size_t n = keyword.size();
    if (n > s.size() - start) return false;
    for (std::size_t k = 0; k < n; ++k) {
        const char want = keyword[k];
        const char have = s[start + k];
        if (have != want && !(want >= 'A' && want <= 'Z' && have == want + 32)) return false;
    }
    if (start + n >= s.size()) return true;
    return Is(s[start + n], cKeyDelim);
}

void TScriptParser::ParseScript(const TLineList& lines, std::string& terminator, TScriptMap& map, bool closeLast)
{
    FCurrentDatabase.clear();
    FScriptLines = &lines;
    FBlockPending = false;
    FBlockBeginSeen = false;
    FBlockDepth = 0;
    FBlockResumePos = TTextPos{};

    const std::vector<std::string>& L = lines.Lines();
    const int lineCount = static_cast<int>(L.size());

    // Checked before scanning: positions in such a line would wrap, and a
    // half-built map of a script that cannot be run helps nobody.
    for (int i = 0; i < lineCount; ++i) {
        if (L[i].size() > MaxLineLength) {
            map.clear();
            throw Exception("Line " + std::to_string(i + 1) + " is " + std::to_string(L[i].size()) +
                            " characters long; lines of at most " + std::to_string(MaxLineLength) +
                            " characters are supported");
        }
    }

    // A map that is already larger keeps its slots: they are overwritten from
    // the first on and the rest is trimmed at the end.
    map.resize(std::max({map.size(), std::size_t{3}, static_cast<std::size_t>(lineCount) / 16}));
    std::size_t count = 0;

    bool inStatement = false;
    TLexState lex = TLexState::lsNormal;
    TSetTermState setTerm = TSetTermState::tsNone;
    std::string newTerminator;
    bool complete = true;
    // The "*" of the "/*" that opened the current comment (it cannot close it).
    int starLine = -1;
    std::size_t starIndex = 0;

    std::array<TActionTable, 3> actions;
    BuildActions(terminator, actions);

    auto finish = [&]() {
        map.resize(count);
        FBlockPending = false;
        if (closeLast && !map.empty() && map.back().EndPos.Col == 0 && lineCount > 0) {
            TStatementDesc& last = map.back();
            last.EndPos = Pos(L[lineCount - 1].size(), lineCount - 1);
            // A malformed statement keeps its kind, as it does at a terminator.
            if (last.Kind != TStatementKind::skMalformed) ClassifyStatement(last, false);
        }
    };

    try {
        for (int i = 0; i < lineCount; ++i) {
            const std::string& line = L[i];
            const std::size_t len = line.size();
            if (len == 0) continue;
            const auto* d = reinterpret_cast<const unsigned char*>(line.data());
            const std::string_view sv(line);
            std::size_t p = 0;  // 0-based: column p + 1
            while (p < len) {
                if (lex == TLexState::lsBlockComment) {
                    for (;;) {
                        const void* hit = std::memchr(d + p, '/', len - p);
                        if (!hit) {
                            p = len;
                            break;
                        }
                        const std::size_t k = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - d);
                        p = k + 1;
                        if (k > 0 && d[k - 1] == '*' && !(i == starLine && k - 1 == starIndex)) {
                            lex = TLexState::lsNormal;
                            break;
                        }
                    }
                    continue;
                }

                if (!inStatement) {
                    TStatementKind kind = TStatementKind::skUnknown;
                    switch (d[p]) {
                    case ' ': case '\t': case '\r': case '\n': case ',': case ';': case '^':
                        ++p;
                        continue;
                    case '-':
                        if (p + 1 < len && d[p + 1] == '-') {
                            p = len;
                            continue;
                        }
                        kind = TStatementKind::skMalformed;
                        break;
                    case '/':
                        if (p + 1 < len && d[p + 1] == '*') {
                            lex = TLexState::lsBlockComment;
                            starLine = i;
                            starIndex = p + 1;
                            p += 2;
                            continue;
                        }
                        kind = TStatementKind::skMalformed;
                        break;
                    case 'S': case 's':
                        if (KeywordAt("SET", sv, static_cast<int>(p + 1))) {
                            kind = TStatementKind::skSet;
                            setTerm = TSetTermState::tsAfterSet;
                        }
                        break;
                    default:
                        break;
                    }
                    ++count;
                    if (count > map.size()) GrowMap(map);
                    TStatementDesc& desc = map[count - 1];
                    desc.StartPos = Pos(p + 1, i);
                    desc.EndPos = TTextPos{};
                    desc.Kind = kind;
                    desc.ObjectKind = TObjectKind::okNone;
                    desc.ObjectName.clear();
                    inStatement = true;
                    ++p;
                    continue;
                }

                if (lex == TLexState::lsSingleQuoted || lex == TLexState::lsDoubleQuoted) {
                    const int quote = lex == TLexState::lsSingleQuoted ? '\'' : '"';
                    const void* hit = std::memchr(d + p, quote, len - p);
                    if (!hit) {
                        p = len;
                    } else {
                        p = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - d) + 1;
                        lex = TLexState::lsNormal;
                    }
                    continue;
                }

                // Normal state inside a statement.
                const TActionTable& act = actions[static_cast<int>(setTerm)];
                while (p < len && act[d[p]] == aNone) ++p;
                if (p >= len) break;
                switch (act[d[p]]) {
                case aSlash:
                    if (p + 1 < len && d[p + 1] == '*') {
                        lex = TLexState::lsBlockComment;
                        starLine = i;
                        starIndex = p + 1;
                        p += 2;
                    } else {
                        ++p;
                    }
                    break;
                case aDoubleQuote:
                    lex = TLexState::lsDoubleQuoted;
                    ++p;
                    break;
                case aSingleQuote:
                    lex = TLexState::lsSingleQuoted;
                    ++p;
                    break;
                case aDash:
                    p = (p + 1 < len && d[p + 1] == '-') ? len : p + 1;
                    break;
                case aLetterT:
                    if (KeywordAt("TERM", sv, static_cast<int>(p + 1))) {
                        setTerm = TSetTermState::tsAfterTerm;
                        p += 5;  // the four letters and the delimiter after them
                    } else {
                        ++p;
                    }
                    break;
                case aTerm: {
                    const bool atTerminator = KeywordAt(terminator, sv, static_cast<int>(p + 1));
                    if (setTerm == TSetTermState::tsAfterTerm && !atTerminator && !Is(line[p], cBlank))
                        newTerminator += line[p];
                    if (!atTerminator) {
                        ++p;
                        break;
                    }
                    // An empty terminator has no characters: its delimiter,
                    // a blank or one of , ; ^, does nothing between statements.
                    const std::size_t skip = std::max<std::size_t>(1, terminator.size());
                    if (setTerm == TSetTermState::tsAfterTerm) {
                        terminator = newTerminator;
                        newTerminator.clear();
                        setTerm = TSetTermState::tsNone;
                        --count;
                        inStatement = false;
                        BuildActions(terminator, actions);
                    } else {
                        setTerm = TSetTermState::tsNone;
                        TStatementDesc& desc = map[count - 1];
                        if (p > 0) {
                            desc.EndPos = Pos(p, i);
                        } else {
                            // The statement began on an earlier line, so a
                            // non-empty one lies between it and the terminator.
                            int j = i - 1;
                            while (j > desc.StartPos.Line && L[j].empty()) --j;
                            desc.EndPos = Pos(L[j].size(), j);
                        }
                        if (desc.Kind == TStatementKind::skMalformed) {
                            inStatement = false;
                        } else {
                            complete = ClassifyStatement(desc, terminator == ";");
                            if (complete)
                                inStatement = false;
                            else
                                desc.EndPos.Col = 0;
                        }
                    }
                    p += skip;
                    break;
                }
                default:
                    ++p;
                    break;
                }
            }
        }
    } catch (...) {
        try {
            finish();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    finish();
}

const std::string* TScriptParser::LineAt(TTextPos pos) const
{
    if (!FScriptLines || pos.Line < 0 || pos.Line >= FScriptLines->Count()) return nullptr;
    return &FScriptLines->Lines()[static_cast<std::size_t>(pos.Line)];
}

bool TScriptParser::KeywordAtPos(std::string_view keyword, TTextPos pos) const
{
    const std::string* line = LineAt(pos);
    return line && KeywordAt(keyword, *line, pos.Col);
}

TTextPos TScriptParser::NextToken(TTextPos from, TTextPos limit) const
{
    const std::string* first = LineAt(from);
    if (!first || from.Col == 0 || limit.Line < 0) return TTextPos{};
    const std::vector<std::string>& L = FScriptLines->Lines();

    // A limit past the lines (a stale map) is taken as the end of the lines.
    std::int32_t lastLine = limit.Line;
    std::size_t lastCol = limit.Col;
    if (lastLine >= static_cast<std::int32_t>(L.size())) {
        lastLine = static_cast<std::int32_t>(L.size()) - 1;
        lastCol = L[static_cast<std::size_t>(lastLine)].size();
    }

    // Where the word at `from` ends (1-based column).
    const std::string& s = *first;
    const std::size_t len = s.size();
    std::size_t end = len;
    if (from.Col <= len) {
        const std::size_t at = from.Col - 1u;
        if (IsQuote(s[at])) {
            const std::size_t q = s.find(s[at], at + 1);
            end = q == std::string::npos ? len : q + 2;
        } else {
            std::size_t k = at;
            while (k < len && !Is(s[k], cWordDelim)) ++k;
            end = k < len ? k + 1 : len;
        }
    }
    std::int32_t lineNo = from.Line;
    std::size_t col = end;
    if (end >= len) {
        ++lineNo;
        col = 1;
    }

    bool comment = false;
    std::int32_t starLine = -1;
    std::size_t starCol = 0;
    for (; lineNo <= lastLine; ++lineNo, col = 1) {
        const std::string& t = L[static_cast<std::size_t>(lineNo)];
        const std::size_t stop = lineNo == lastLine ? std::min(lastCol, t.size()) : t.size();
        for (std::size_t c = col; c <= stop; ++c) {
            const char ch = t[c - 1];
            if (comment) {
                if (ch == '/' && c > 1 && t[c - 2] == '*' && !(lineNo == starLine && c - 1 == starCol)) comment = false;
                continue;
            }
            if (Is(ch, cBlank) || ch == ';') continue;
            if (ch == '-') {
                if (c + 1 <= stop && t[c] == '-') break;  // rest of the line is a comment
                continue;
            }
            if (ch == '/') {
                if (c + 1 <= stop && t[c] == '*') {
                    comment = true;
                    starLine = lineNo;
                    starCol = ++c;
                }
                continue;
            }
            return Pos(c, lineNo);
        }
    }
    return TTextPos{};
}

std::string TScriptParser::TokenText(TTextPos pos) const
{
    const std::string* line = LineAt(pos);
    if (!line || pos.Col == 0 || pos.Col > line->size()) return std::string();
    const std::string& s = *line;
    const std::size_t at = pos.Col - 1u;
    if (IsQuote(s[at])) {
        const std::size_t q = s.find(s[at], at + 1);
        if (q == std::string::npos) throw Exception("Can't find end token");
        return s.substr(at + 1, q - at - 1);
    }
    std::size_t k = at;
    while (k < s.size() && !Is(s[k], cTextDelim)) ++k;
    return s.substr(at, k - at);
}

std::string TScriptParser::NameAt(TTextPos w) const { return w.Col ? TokenText(w) : std::string(); }

TStatementKind TScriptParser::StatementKindAt(const std::string& line, int col) const
{
    using K = TStatementKind;
    if (col < 1 || static_cast<std::size_t>(col) > line.size()) return K::skUnknown;
    struct TCandidate {
        const char* Word;
        K Kind;
    };
    auto first = [&](std::initializer_list<TCandidate> candidates) {
        for (const TCandidate& c : candidates)
            if (KeywordAt(c.Word, line, col)) return c.Kind;
        return K::skUnknown;
    };
    switch (Upper(line[static_cast<std::size_t>(col) - 1])) {
    case 'A': return first({{"ALTER", K::skAlter}});
    case 'B': return first({{"BATCH", K::skBatch}});
    case 'C':
        return first({{"CREATE", K::skCreate}, {"COMMIT", K::skCommit}, {"COMMENT", K::skComment},
                      {"CONNECT", K::skConnect}});
    case 'D':
        return first({{"DROP", K::skDrop}, {"DECLARE", K::skDeclare}, {"DESCRIBE", K::skDescribe},
                      {"DELETE", K::skDML}, {"DISCONNECT", K::skDisconnect}});
    case 'E': return first({{"EXECUTE", K::skExecute}});
    case 'G': return first({{"GRANT", K::skGrant}});
    case 'I': return first({{"INSERT", K::skDML}, {"INPUT", K::skInput}});
    case 'M': return first({{"MERGE", K::skDML}});
    case 'R':
        return first({{"RECREATE", K::skRecreate}, {"ROLLBACK", K::skRollback}, {"RECONNECT", K::skReconnect},
                      {"REVOKE", K::skGrant}});
    case 'S': return first({{"SET", K::skSet}});
    case 'U': return first({{"UPDATE", K::skDML}});
    default: return K::skUnknown;
    }
}

TObjectKind TScriptParser::ObjectKindAt(TTextPos pos) const
{
    using O = TObjectKind;
    const std::string* line = LineAt(pos);
    if (!line || pos.Col == 0 || pos.Col > line->size()) return O::okNone;
    const std::string& s = *line;
    const int col = pos.Col;
    struct TCandidate {
        const char* Word;
        O Kind;
    };
    auto first = [&](std::initializer_list<TCandidate> candidates) {
        for (const TCandidate& c : candidates)
            if (KeywordAt(c.Word, s, col)) return c.Kind;
        return O::okNone;
    };
    switch (Upper(s[pos.Col - 1u])) {
    case 'C': return first({{"CONSTRAINT", O::okConstraint}, {"COLUMN", O::okField}});
    case 'D': return first({{"DATABASE", O::okDatabase}, {"DOMAIN", O::okDomain}});
    case 'E': return first({{"EXCEPTION", O::okException}});
    case 'F': return first({{"FIELD", O::okField}, {"FUNCTION", O::okFunction}, {"FILTER", O::okFilter}});
    case 'G': return first({{"GENERATOR", O::okGenerator}});
    case 'I': return first({{"INDEX", O::okIndex}});
    case 'P': return first({{"PROCEDURE", O::okProcedure}, {"PARAMETER", O::okParameter}});
    case 'R': return first({{"ROLE", O::okRole}});
    case 'T': return first({{"TABLE", O::okTable}, {"TRIGGER", O::okTrigger}});
    case 'U': return first({{"USER", O::okUser}});
    case 'V': return first({{"VIEW", O::okView}});
    default: return O::okNone;
    }
}

void TScriptParser::FindObjectKeyword(TStatementDesc& desc, TTextPos& w, bool grantMode)
{
    const TTextPos limit = desc.EndPos;
    for (TTextPos t = NextToken(w, limit); t.Col != 0; t = NextToken(t, limit)) {
        if (!grantMode) {
            const TObjectKind kind = ObjectKindAt(t);
            if (kind != TObjectKind::okNone) {
                desc.ObjectKind = kind;
                w = t;
                return;
            }
        } else if (KeywordAtPos("ON", t)) {
            TTextPos x = NextToken(t, limit);
            desc.ObjectKind = ObjectKindAt(x);
            if (desc.ObjectKind != TObjectKind::okNone) x = NextToken(x, limit);
            desc.ObjectName = NameAt(x);
            return;
        }
    }
}

namespace {

enum class TBlockWord : std::uint8_t { bwOther = 0, bwAs = 1, bwBegin = 2, bwCase = 3, bwEnd = 4 };

// The body check looks at every word of a body: one look at the first
// character decides which keyword could stand there.
TBlockWord BlockWordAt(const std::string& s, int col)
{
    switch (Upper(s[static_cast<std::size_t>(col) - 1])) {
    case 'A': return TScriptParser::KeywordAt("AS", s, col) ? TBlockWord::bwAs : TBlockWord::bwOther;
    case 'B': return TScriptParser::KeywordAt("BEGIN", s, col) ? TBlockWord::bwBegin : TBlockWord::bwOther;
    case 'C': return TScriptParser::KeywordAt("CASE", s, col) ? TBlockWord::bwCase : TBlockWord::bwOther;
    case 'E': return TScriptParser::KeywordAt("END", s, col) ? TBlockWord::bwEnd : TBlockWord::bwOther;
    default: return TBlockWord::bwOther;
    }
}

}  // namespace

bool TScriptParser::CheckBlockEnd(TStatementDesc& desc, TTextPos w, bool resume)
{
    if (!FScriptLines) {
        FBlockPending = false;
        return true;
    }
    const TTextPos limit = desc.EndPos;
    const std::vector<std::string>& L = FScriptLines->Lines();  // NextToken only answers positions inside them
    TTextPos t = w;
    int depth = FBlockDepth;
    if (!resume) {
        bool asSeen = false;
        bool begun = false;
        for (t = NextToken(t, limit); t.Col != 0; t = NextToken(t, limit)) {
            const TBlockWord word = BlockWordAt(L[static_cast<std::size_t>(t.Line)], t.Col);
            if (word == TBlockWord::bwAs) {
                asSeen = true;
            } else if (word == TBlockWord::bwBegin) {
                begun = true;
                break;
            }
        }
        if (!begun) {
            // Without AS (ALTER TRIGGER T INACTIVE) there is no body to wait for.
            const bool answer = !asSeen;
            if (!answer) FBlockResumePos = ResumeAfter(limit);
            FBlockPending = !answer;
            FBlockBeginSeen = false;
            FBlockDepth = 0;
            return answer;
        }
        FBlockBeginSeen = true;
        depth = 1;
    }

    for (t = NextToken(t, limit); t.Col != 0; t = NextToken(t, limit)) {
        const TBlockWord word = BlockWordAt(L[static_cast<std::size_t>(t.Line)], t.Col);
        if (word == TBlockWord::bwBegin || word == TBlockWord::bwCase) {
            if (FBlockBeginSeen) {
                ++depth;
            } else {
                depth = 1;
                if (word == TBlockWord::bwBegin) FBlockBeginSeen = true;
            }
        } else if (word == TBlockWord::bwEnd) {
            --depth;
        }
        if (depth == 0 && FBlockBeginSeen) {
            FBlockPending = false;
            return true;
        }
    }
    FBlockPending = true;
    FBlockDepth = depth;
    FBlockResumePos = ResumeAfter(limit);
    return false;
}

bool TScriptParser::ClassifyStatement(TStatementDesc& desc, bool terminatorIsSemicolon)
{
    using K = TStatementKind;
    using O = TObjectKind;

    if (terminatorIsSemicolon && IsBodyKind(desc) && FBlockPending)
        return CheckBlockEnd(desc, FBlockResumePos, true);

    const std::string* first = LineAt(desc.StartPos);
    desc.Kind = first ? StatementKindAt(*first, desc.StartPos.Col) : K::skUnknown;
    desc.ObjectKind = O::okNone;
    desc.ObjectName.clear();

    const TTextPos limit = desc.EndPos;
    TTextPos w = NextToken(desc.StartPos, limit);
    auto next = [&](TTextPos from) { return NextToken(from, limit); };
    bool complete = true;

    switch (desc.Kind) {
    case K::skConnect:
        desc.ObjectKind = O::okDatabase;
        if (w.Col) {
            desc.ObjectName = TokenText(w);
            FCurrentDatabase = desc.ObjectName;
        }
        break;

    case K::skDisconnect:
    case K::skReconnect:
    case K::skCommit:
    case K::skRollback:
        desc.ObjectName = FCurrentDatabase;
        desc.ObjectKind = O::okDatabase;
        break;

    case K::skCreate:
    case K::skAlter:
    case K::skRecreate:
    case K::skDrop:
    case K::skExecute:
        if (!w.Col) break;
        if (desc.Kind == K::skExecute) {
            desc.Kind = K::skDML;
            // A quoted word is never BLOCK (and is no name to fail on here).
            const std::string* line = LineAt(w);
            if (line && !IsQuote((*line)[w.Col - 1u]) && KeywordAt("BLOCK", TokenText(w), 1)) {
                desc.ObjectKind = O::okBlock;
                if (terminatorIsSemicolon) complete = CheckBlockEnd(desc, w, false);
            }
            break;
        }
        desc.ObjectKind = ObjectKindAt(w);
        if (desc.ObjectKind == O::okNone) {
            FindObjectKeyword(desc, w, false);
        } else if (desc.ObjectKind == O::okDatabase) {
            if (desc.Kind == K::skCreate) desc.Kind = K::skCreateDatabase;
            if (desc.Kind == K::skDrop) desc.Kind = K::skDropDatabase;
        }
        w = next(w);
        desc.ObjectName = NameAt(w);
        if (desc.Kind == K::skCreateDatabase) FCurrentDatabase = desc.ObjectName;
        if (desc.Kind == K::skDropDatabase) desc.ObjectName = FCurrentDatabase;
        if (terminatorIsSemicolon && IsBodyKind(desc)) complete = CheckBlockEnd(desc, w, false);
        break;

    case K::skSet:
        if (!w.Col) break;
        if (KeywordAtPos("GENERATOR", w)) {
            desc.ObjectKind = O::okGenerator;
            desc.Kind = K::skSetGenerator;
        } else if (KeywordAtPos("STATISTICS", w)) {
            desc.ObjectKind = O::okIndex;
            desc.Kind = K::skSetStatistics;
            w = next(w);
        }
        if (desc.ObjectKind != O::okNone) desc.ObjectName = NameAt(next(w));
        break;

    case K::skDescribe:
    case K::skComment:
        if (desc.Kind == K::skComment && w.Col) w = next(w);  // past ON
        if (!w.Col) break;
        desc.ObjectKind = ObjectKindAt(w);
        if (desc.ObjectKind == O::okNone) break;
        w = next(w);
        desc.ObjectName = NameAt(w);
        if (desc.Kind == K::skDescribe &&
            (desc.ObjectKind == O::okField || desc.ObjectKind == O::okParameter)) {
            w = next(next(w));
            desc.ObjectName = w.Col ? TokenText(w) + "." + desc.ObjectName : std::string();
        }
        break;

    case K::skDeclare:
        if (!w.Col) break;
        if (KeywordAtPos("EXTERNAL", w)) {
            desc.ObjectKind = O::okFunction;
            desc.ObjectName = NameAt(next(next(w)));
        } else if (KeywordAtPos("FILTER", w)) {
            desc.ObjectKind = O::okFilter;
        }
        break;

    case K::skGrant:
        FindObjectKeyword(desc, w, true);
        break;

    case K::skBatch:
        if (w.Col && KeywordAtPos("START", w))
            desc.Kind = K::skBatchStart;
        else if (w.Col && KeywordAtPos("EXECUTE", w))
            desc.Kind = K::skBatchExecute;
        else
            desc.Kind = K::skMalformed;
        break;

    default:
        break;
    }
    return complete;
}
