#pragma once
// fbscript --list: the statement map as JSON lines, one object a statement.

#include "scripter/StatementModel.h"

#include <cstdint>
#include <string>
#include <string_view>

// `text` (Windows-1252) as the body of a JSON string: UTF-8, with quotes,
// backslashes and control characters escaped.
std::string JsonEscape(std::string_view text);

// {"no":N,"start":{"line":L,"col":C},"end":{...},"kind":"sk..","object":"ok..","name":".."}
std::string StatementJson(std::int32_t number, const TStatementDesc& desc);
