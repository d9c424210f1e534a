#pragma once
// The statement map: one descriptor per statement of a script, saying where
// its text lies in the script's lines, what kind of statement it is and which
// database object it names. The parser fills it; the runner dispatches on it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A position in a script: 1-based column (0 = no position) and 0-based line.
#pragma pack(push, 1)
struct TTextPos {
    std::uint16_t Col = 0;
    std::int32_t Line = 0;

    bool operator==(const TTextPos&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(TTextPos) == 6, "TTextPos is a packed 6-byte position");

enum class TStatementKind : std::uint8_t {
    skUnknown = 0,
    skMalformed = 1,
    skDML = 2,
    skConnect = 3,
    skDisconnect = 4,
    skReconnect = 5,
    skCreateDatabase = 6,
    skDropDatabase = 7,
    skCommit = 8,
    skRollback = 9,
    skCreate = 10,
    skAlter = 11,
    skRecreate = 12,
    skDrop = 13,
    skSet = 14,
    skSetGenerator = 15,
    skSetStatistics = 16,
    skDescribe = 17,
    skDeclare = 18,
    skComment = 19,
    skGrant = 20,
    skInput = 21,
    skBatch = 22,  // intermediate only: the classifier always replaces it
    skBatchStart = 23,
    skBatchExecute = 24,
    skExecute = 25,
};

enum class TObjectKind : std::uint8_t {
    okNone = 0,
    okDatabase = 1,
    okDomain = 2,
    okTable = 3,
    okView = 4,
    okProcedure = 5,
    okTrigger = 6,
    okFunction = 7,
    okException = 8,
    okGenerator = 9,
    okIndex = 10,
    okConstraint = 11,
    okFilter = 12,
    okField = 13,
    okParameter = 14,
    okRole = 15,
    okBlock = 16,
    okUser = 17,
};

// The fixed fields sit contiguously without padding (offsets 0, 6, 12, 13),
// as in the packed record the runner's events hand out. ObjectName is left at
// its natural alignment: a misaligned std::string would be undefined
// behaviour, so the struct as a whole is not packed.
struct TStatementDesc {
    TTextPos StartPos;
    TTextPos EndPos;  // last character before the terminator; Col 0 = end not found
    TStatementKind Kind = TStatementKind::skUnknown;
    TObjectKind ObjectKind = TObjectKind::okNone;
    std::string ObjectName;
};
static_assert(offsetof(TStatementDesc, StartPos) == 0);
static_assert(offsetof(TStatementDesc, EndPos) == 6);
static_assert(offsetof(TStatementDesc, Kind) == 12);
static_assert(offsetof(TStatementDesc, ObjectKind) == 13);

// Statement N (1-based) is element N-1.
using TScriptMap = std::vector<TStatementDesc>;

// "skCreate", "okTrigger", ...; "?" for a code outside the enumeration.
const char* StatementKindName(TStatementKind kind);
const char* ObjectKindName(TObjectKind kind);
