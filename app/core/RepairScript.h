#pragma once
// The SQL script the repair tool carries: it re-creates the database's ON
// CONNECT trigger TRIG_ONCONNECT, which writes each new year's product balance
// into BALANCETEANUAL on the first attachment of that year.

#include "base/LineList.h"

#include <array>
#include <string_view>

// The script's lines, stored exactly (single-byte text, no trailing blanks).
extern const std::array<std::string_view, 31> kRepairScriptLines;

// The script as a line list, as the runner's Script takes it.
TLineList RepairScript();
