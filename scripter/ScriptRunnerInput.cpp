// INPUT and the file run (ExecuteFromFile), the blob file of SET BLOBFILE and
// the blob parameters named H<offset>_<length>.

#include "scripter/ScriptRunner.h"

#include "base/Exception.h"
#include "base/TextFile.h"
#include "scripter/StatementText.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A file that inputs itself would otherwise nest until the stack runs out.
constexpr int kMaxInputDepth = 64;

class TDepthGuard {
public:
    explicit TDepthGuard(int& depth) : FDepth(depth) { ++FDepth; }
    ~TDepthGuard() { --FDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
    int& FDepth;
};

bool IsBlankText(const TLineList& lines)
{
    for (const std::string& line : lines)
        for (char c : line)
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

}  // namespace

void TScriptRunner::ExecuteInput(TStatementDesc& Desc)
{
    const TTextPos fileWord = RequireWord(Desc.StartPos, Desc.EndPos, "INPUT", "the file name");
    ExecuteFromFile(WordText(fileWord, Desc.EndPos), ";");
}

void TScriptRunner::ExecuteFromFile(const std::string& FileName, const std::string& Terminator)
{
    if (FInputDepth >= kMaxInputDepth)
        throw Exception("INPUT of \"" + FileName + "\" nests deeper than " + std::to_string(kMaxInputDepth) +
                        " files");
    TDepthGuard depth(FInputDepth);

    // Opening fails for a missing or unreadable file, before anything has
    // run; the file is then read once, line by line (counting its lines first
    // would read a huge file twice for a number nothing uses).
    TTextFileReader file(FileName);
    FStop = false;

    TLineList buffer;         // the lines since the last executed statements
    TLineList statementText;  // one statement's text at a time
    TLineList carry;          // the beginning of an unfinished statement
    TScriptMap map;
    std::string terminator = Terminator;  // a SET TERM in the file changes it for this file only
    std::int32_t linesRead = 0;
    std::int32_t buffersDone = 0;

    TLineList* const savedLines = FCurrentLines;
    const TLineList* const savedParserLines = FParser->ScriptLines();
    FCurrentLines = &buffer;
    FParser->SetScriptLines(&buffer);

    // Runs the parsed statements of the buffer in order; an unfinished last
    // one goes to the carry. True when anything was run or collected.
    const auto runMap = [&]() {
        bool done = false;
        carry.Clear();
        for (TStatementDesc& desc : map) {
            if (desc.EndPos.Col == 0) {
                // Its whole text so far, not just the buffer's last line: the
                // statement may have begun on an earlier one.
                ExtractStatementText(desc.StartPos, TTextPos{}, carry);
                break;
            }
            done = true;
            ExtractStatementText(desc.StartPos, desc.EndPos, statementText);
            RunLoopStatement(desc, statementText, buffersDone + 1, linesRead);
        }
        return done;
    };

    const auto restore = [&]() {
        FCurrentLines = savedLines;
        FParser->SetScriptLines(savedParserLines);
    };

    try {
        std::string line;
        bool endOfFile = false;
        do {
            if (FStop) break;
            for (const std::string& carried : carry) buffer.Add(carried);
            carry.Clear();
            file.ReadLine(line);
            buffer.Add(line);
            ++linesRead;
            const std::string remembered = terminator;

            if (line.find(terminator) != std::string::npos) {
                FParser->ParseScript(buffer, terminator, map, false);
                const bool ran = runMap();
                map.clear();
                if (ran || terminator != remembered) {
                    // What SET TERM changed must not be parsed again under
                    // the new terminator, so the buffer starts afresh.
                    buffer.Clear();
                    ++buffersDone;
                } else {
                    carry.Clear();  // nothing complete: the buffer itself is kept
                }
            }
            endOfFile = file.Eof();
        } while (!endOfFile);

        // A last statement without its terminator runs, as at the end of a
        // script.
        if (endOfFile && !FStop) {
            for (const std::string& carried : carry) buffer.Add(carried);
            carry.Clear();
            if (!IsBlankText(buffer)) {
                FParser->ParseScript(buffer, terminator, map, true);
                runMap();
                map.clear();
            }
        }
    } catch (...) {
        restore();
        EndOfRun(true);  // a failure here replaces the one on its way
        throw;
    }
    restore();
    EndOfRun(true);
}

// ---------------------------------------------------------------------------
// Blob parameters

std::int32_t TScriptRunner::HexToInt(const std::string& Text)
{
    // Only "1".."9" and "A".."F" count; anything else is a 0 digit. Digits
    // beyond the last eight shift out of the 32 bits.
    std::uint32_t value = 0;
    for (char c : Text) {
        std::uint32_t digit = 0;
        if (c >= '1' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F') digit = static_cast<std::uint32_t>(c - 'A' + 10);
        value = (value << 4) | digit;
    }
    return static_cast<std::int32_t>(value);
}

void TScriptRunner::LoadBlobParams()
{
    for (int i = FExecQuery->ParamCount() - 1; i >= 0; --i) {
        const std::string name = FExecQuery->Param(i).Name;
        if (name.empty() || (name[0] != 'H' && name[0] != 'h')) continue;

        const size_t underscore = name.find('_');
        const std::string offsetText = underscore == std::string::npos ? std::string() : name.substr(1, underscore - 1);
        const std::string lengthText = underscore == std::string::npos ? name : name.substr(underscore + 1);
        const std::int32_t offset = HexToInt(offsetText);
        const std::int32_t length = HexToInt(lengthText);

        if (length == 0) {
            FExecQuery->SetParamNull(i);
            continue;
        }
        if (!FBlobFile) {
            // Others may read the file meanwhile; nothing here writes it.
            auto stream = std::make_unique<std::ifstream>(FBlobFileName, std::ios::in | std::ios::binary);
            if (!stream->is_open()) throw EFOpenError(FBlobFileName, std::strerror(errno));
            stream->seekg(0, std::ios::end);
            const std::streamoff size = stream->tellg();
            if (size < 0) throw EFOpenError(FBlobFileName, "Its size cannot be read");
            FBlobFileSize = static_cast<std::int64_t>(size);
            FBlobFile = std::move(stream);
        }
        if (offset < 0 || length < 0 || std::int64_t(offset) + length > FBlobFileSize)
            throw Exception("Blob parameter " + name + " asks for " + std::to_string(length) +
                            " bytes at offset " + std::to_string(offset) + " of the blob file \"" +
                            FBlobFileName + "\", which holds " + std::to_string(FBlobFileSize) + " bytes");

        std::string bytes(static_cast<size_t>(length), '\0');
        FBlobFile->clear();
        FBlobFile->seekg(offset, std::ios::beg);
        FBlobFile->read(bytes.data(), length);
        if (FBlobFile->gcount() != length)
            throw Exception("Blob parameter " + name + ": only " + std::to_string(FBlobFile->gcount()) + " of " +
                            std::to_string(length) + " bytes could be read from the blob file \"" +
                            FBlobFileName + "\"");
        FExecQuery->SetParamBlob(i, std::move(bytes));
    }
}

void TScriptRunner::CloseBlobFile()
{
    FBlobFile.reset();
    FBlobFileSize = 0;
}
