#pragma once
// TLineList: an ordered list of text lines with indexed access. Whoever owns a
// list may ask to be told before each change (the script runner drops its
// statement map when its script changes).

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class TLineList {
public:
    using TChangeNotice = std::function<void()>;

    TLineList() = default;
    TLineList(std::initializer_list<std::string> lines) : FLines(lines) {}
    explicit TLineList(std::vector<std::string> lines) : FLines(std::move(lines)) {}
    // Copies carry the lines only, never the change notice of the source.
    TLineList(const TLineList& other) : FLines(other.FLines) {}
    TLineList& operator=(const TLineList& other);

    int Count() const { return static_cast<int>(FLines.size()); }
    bool Empty() const { return FLines.empty(); }
    // Index outside 0..Count-1 raises Exception("List index out of bounds (%d)").
    const std::string& operator[](int index) const { return Get(index); }
    const std::string& Get(int index) const;
    void Put(int index, std::string line);
    void Add(std::string line);
    void Insert(int index, std::string line);
    void Delete(int index);
    void Clear();
    void Assign(const TLineList& other);
    void Assign(const std::vector<std::string>& lines);
    void Reserve(int capacity) { FLines.reserve(static_cast<size_t>(capacity)); }

    // Every line followed by CR LF.
    std::string Text() const;
    // Splits at CR LF, LF or CR; a final line end adds no empty line.
    void SetText(std::string_view text);

    // name=value lines. Names compare without regard to ASCII case.
    int IndexOfName(std::string_view name) const;
    std::string Value(std::string_view name) const;
    // Replaces the line of that name, or adds one; an empty value deletes it.
    void SetValue(std::string_view name, const std::string& value);

    void SetOnChanging(TChangeNotice notice) { FOnChanging = std::move(notice); }
    const std::vector<std::string>& Lines() const { return FLines; }
    std::vector<std::string>::const_iterator begin() const { return FLines.begin(); }
    std::vector<std::string>::const_iterator end() const { return FLines.end(); }

    bool operator==(const TLineList& other) const { return FLines == other.FLines; }

private:
    void Changing() const
    {
        if (FOnChanging) FOnChanging();
    }
    void CheckIndex(int index, int limit) const;

    std::vector<std::string> FLines;
    TChangeNotice FOnChanging;
};
