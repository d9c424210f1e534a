#include "cli/ScriptSource.h"

#include "base/TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

std::string DisplayName(const std::string& fileName)
{
    return fileName == "-" ? std::string("<stdin>") : fileName;
}

// Line ends are LF, CR LF or a lone CR, as the text reader splits them.
class TLineChecker {
public:
    explicit TLineChecker(std::string name) : FName(std::move(name)) {}
    void Feed(const char* data, size_t size, TStreamInfo* info, std::int64_t offset)
    {
        if (std::memchr(data, '\0', size) != nullptr)
            throw EScriptFileError(FName + ": the file holds NUL bytes; it is binary, not a SQL script");
        for (size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (FAfterCR) {
                FAfterCR = false;
                if (c == '\n') continue;
            }
            if (c == '\n' || c == '\r') {
                FAfterCR = c == '\r';
                EndLine(info, offset + static_cast<std::int64_t>(i) + 1);
            } else {
                FHasOpenLine = true;
                if (++FLength > kMaxLineLength)
                    throw EScriptFileError(FName + ": line " + std::to_string(FLines + 1) +
                                           " is longer than 65535 characters");
            }
        }
    }
    std::int64_t Finish()
    {
        if (FHasOpenLine) ++FLines;
        return FLines;
    }

private:
    void EndLine(TStreamInfo* info, std::int64_t nextOffset)
    {
        ++FLines;
        FLength = 0;
        FHasOpenLine = false;
        if (info && FLines % TStreamInfo::kCheckpointLines == 0) info->Checkpoints.push_back(nextOffset);
    }
    std::string FName;
    std::int64_t FLines = 0;
    std::int64_t FLength = 0;
    bool FAfterCR = false;
    bool FHasOpenLine = false;
};

void CheckNotEmpty(const std::string& fileName, std::int64_t size)
{
    if (size == 0) throw EScriptFileError(DisplayName(fileName) + ": the script is empty");
}

}  // namespace

std::int64_t TStreamInfo::BytesAfterLines(std::int64_t lines) const
{
    if (lines <= 0) return 0;
    if (lines >= Lines) return Size;
    const std::int64_t k = lines / kCheckpointLines;
    if (k == 0) return 0;
    return Checkpoints[static_cast<size_t>(k - 1)];
}

std::int64_t ScriptFileSize(const std::string& fileName)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fileName, ec);
    if (ec || !fs::exists(status))
        throw EScriptFileError(fileName + ": no such file");
    if (fs::is_directory(status))
        throw EScriptFileError(fileName + ": is a folder, not a script file");
    if (!fs::is_regular_file(status)) return -1;  // a pipe or device: size unknown
    const auto size = fs::file_size(fileName, ec);
    if (ec) throw EScriptFileError(fileName + ": cannot read: " + ec.message());
    return static_cast<std::int64_t>(size);
}

void LoadScript(const std::string& fileName, TLineList& lines)
{
    const std::string name = DisplayName(fileName);
    TLineChecker checker(name);
    if (fileName == "-") {
        std::string text;
        char buf[1 << 16];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) {
            checker.Feed(buf, n, nullptr, 0);
            text.append(buf, n);
        }
        if (std::ferror(stdin)) throw EScriptFileError(name + ": cannot read standard input");
        CheckNotEmpty(fileName, static_cast<std::int64_t>(text.size()));
        lines.SetText(text);
        return;
    }
    const std::int64_t size = ScriptFileSize(fileName);
    if (size >= 0) CheckNotEmpty(fileName, size);
    try {
        TTextFileReader reader(fileName);
        std::string line;
        std::int64_t number = 0;
        while (reader.ReadLine(line)) {
            ++number;
            if (std::memchr(line.data(), '\0', line.size()) != nullptr)
                throw EScriptFileError(name + ": the file holds NUL bytes; it is binary, not a SQL script");
            if (static_cast<std::int64_t>(line.size()) > kMaxLineLength)
                throw EScriptFileError(name + ": line " + std::to_string(number) +
                                       " is longer than 65535 characters");
            // A copy is allocated to the line's size; the reading buffer keeps
            // its capacity for the next line.
            lines.Add(line);
        }
        if (number == 0) CheckNotEmpty(fileName, 0);
    } catch (const EInOutError& e) {
        throw EScriptFileError(name + ": cannot read: " + e.Message());
    }
}

TStreamInfo ScanScript(const std::string& fileName)
{
    TStreamInfo info;
    const std::int64_t size = ScriptFileSize(fileName);
    if (size >= 0) CheckNotEmpty(fileName, size);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file) throw EScriptFileError(fileName + ": cannot read: " + std::strerror(errno));
    TLineChecker checker(fileName);
    std::vector<char> buf(1 << 20);
    std::int64_t offset = 0;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), file.get())) > 0) {
        checker.Feed(buf.data(), n, &info, offset);
        offset += static_cast<std::int64_t>(n);
    }
    if (std::ferror(file.get())) throw EScriptFileError(fileName + ": cannot read: " + std::strerror(errno));
    CheckNotEmpty(fileName, offset);
    info.Size = offset;
    info.Lines = checker.Finish();
    return info;
}
