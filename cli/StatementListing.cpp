#include "cli/StatementListing.h"

#include "base/CodePage.h"

#include <cstdio>

std::string JsonEscape(std::string_view text)
{
    const std::string utf8 = Cp1252ToUtf8(text);
    std::string out;
    out.reserve(utf8.size() + 2);
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {
std::string PosJson(const TTextPos& pos)
{
    return "{\"line\":" + std::to_string(pos.Line) + ",\"col\":" + std::to_string(pos.Col) + "}";
}
}  // namespace

std::string StatementJson(std::int32_t number, const TStatementDesc& desc)
{
    std::string line = "{\"no\":" + std::to_string(number);
    line += ",\"start\":" + PosJson(desc.StartPos);
    line += ",\"end\":" + PosJson(desc.EndPos);
    line += ",\"kind\":\"";
    line += StatementKindName(desc.Kind);
    line += "\",\"object\":\"";
    line += ObjectKindName(desc.ObjectKind);
    line += "\",\"name\":\"" + JsonEscape(desc.ObjectName) + "\"}";
    return line;
}
