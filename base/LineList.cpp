#include "base/LineList.h"

#include "base/Convert.h"
#include "base/Exception.h"

TLineList& TLineList::operator=(const TLineList& other)
{
    if (this != &other) Assign(other);
    return *this;
}

void TLineList::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TLineList::Get(int index) const
{
    CheckIndex(index, Count());
    return FLines[static_cast<size_t>(index)];
}

void TLineList::Put(int index, std::string line)
{
    CheckIndex(index, Count());
    Changing();
    FLines[static_cast<size_t>(index)] = std::move(line);
}

void TLineList::Add(std::string line)
{
    Changing();
    FLines.push_back(std::move(line));
}

void TLineList::Insert(int index, std::string line)
{
    CheckIndex(index, Count() + 1);
    Changing();
    FLines.insert(FLines.begin() + index, std::move(line));
}

void TLineList::Delete(int index)
{
    CheckIndex(index, Count());
    Changing();
    FLines.erase(FLines.begin() + index);
}

void TLineList::Clear()
{
    Changing();
    FLines.clear();
}

void TLineList::Assign(const TLineList& other)
{
    if (this == &other) return;
    Changing();
    FLines = other.FLines;
}

void TLineList::Assign(const std::vector<std::string>& lines)
{
    Changing();
    FLines = lines;
}

std::string TLineList::Text() const
{
    size_t size = 0;
    for (const auto& l : FLines) size += l.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& l : FLines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

void TLineList::SetText(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    Changing();
    FLines = std::move(lines);
}

int TLineList::IndexOfName(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = FLines[static_cast<size_t>(i)];
        const size_t eq = line.find('=');
        const std::string_view lineName = std::string_view(line).substr(0, eq);
        if (SameTextAscii(lineName, name)) return i;
    }
    return -1;
}

std::string TLineList::Value(std::string_view name) const
{
    const int i = IndexOfName(name);
    if (i < 0) return {};
    const std::string& line = FLines[static_cast<size_t>(i)];
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TLineList::SetValue(std::string_view name, const std::string& value)
{
    const int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line = std::string(name) + "=" + value;
    if (i >= 0) Put(i, std::move(line));
    else Add(std::move(line));
}
