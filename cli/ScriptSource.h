#pragma once
// Reading the script file for fbscript, with the checks that turn a file that
// is no script (missing, a folder, empty, binary, lines too long for the
// statement map) into a clear message before anything runs.

#include "base/Exception.h"
#include "base/LineList.h"

#include <cstdint>
#include <string>
#include <vector>

// The script cannot be used (exit status 2).
class EScriptFileError : public Exception {
public:
    using Exception::Exception;
};

// Files larger than this are run in stream mode even without --stream.
inline constexpr std::int64_t kStreamThreshold = 256LL * 1024 * 1024;
// Statement positions hold 16-bit columns.
inline constexpr std::int64_t kMaxLineLength = 65535;

// What a first pass over a file to be streamed learns: its size, and where
// every kCheckpointLines-th line starts, so that the number of lines read
// tells how many bytes have been read.
struct TStreamInfo {
    static constexpr std::int64_t kCheckpointLines = 256;
    std::int64_t Size = 0;
    std::int64_t Lines = 0;
    std::vector<std::int64_t> Checkpoints;  // [k]: offset of line k*kCheckpointLines (0-based)
    std::int64_t BytesAfterLines(std::int64_t lines) const;
};

// Size of a regular file; raises EScriptFileError for a missing file or a folder.
std::int64_t ScriptFileSize(const std::string& fileName);

// Reads the whole script (FILE, or standard input for "-") into `lines`.
void LoadScript(const std::string& fileName, TLineList& lines);

// Scans a file to be streamed: the same checks as LoadScript, without holding it.
TStreamInfo ScanScript(const std::string& fileName);
