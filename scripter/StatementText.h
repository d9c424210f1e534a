#pragma once
// Cutting a statement's text out of script lines, and counting the lines of a
// script file before it is read.

#include "base/LineList.h"
#include "scripter/StatementModel.h"

#include <string>

// Fills `out` with the characters from `start` to `end`, both inclusive, one
// entry per line: the first line cut to begin at start.Col, the last cut to
// end at end.Col, the lines between whole. An end with Col 0 means the end of
// the script. Positions outside the lines (a stale map) are clamped to them;
// a start that lies outside them, or after the end, gives no lines.
void ExtractStatementText(const TLineList& lines, TTextPos start, TTextPos end, TLineList& out);

// The number of lines of a text file, at least 1 even for an empty file.
// Raises EInOutError when the file cannot be opened or read.
int CountFileLines(const std::string& fileName);
