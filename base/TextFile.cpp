#include "base/TextFile.h"

#include "base/Exception.h"

#include <cerrno>
#include <sys/stat.h>

TTextFileReader::TTextFileReader(const std::string& fileName) : FFileName(fileName), FBuffer(1 << 16)
{
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw EInOutError::FromErrno(EISDIR);
    FFile = std::fopen(fileName.c_str(), "rb");
    if (!FFile) throw EInOutError::FromErrno(errno);
    if (::stat(fileName.c_str(), &st) == 0) FSize = static_cast<std::int64_t>(st.st_size);
}

TTextFileReader::~TTextFileReader()
{
    if (FFile) std::fclose(FFile);
}

bool TTextFileReader::Fill()
{
    if (FPos < FEnd) return true;
    FPos = 0;
    FEnd = std::fread(FBuffer.data(), 1, FBuffer.size(), FFile);
    if (FEnd == 0 && std::ferror(FFile)) {
        const int err = errno ? errno : EIO;
        throw EInOutError::FromErrno(err);
    }
    return FEnd > 0;
}

bool TTextFileReader::Eof() { return !Fill(); }

bool TTextFileReader::ReadLine(std::string& line)
{
    line.clear();
    if (!Fill()) return false;
    for (;;) {
        const char* begin = FBuffer.data() + FPos;
        const char* end = FBuffer.data() + FEnd;
        const char* p = begin;
        while (p < end && *p != '\n' && *p != '\r') ++p;
        line.append(begin, p);
        FConsumed += p - begin;
        FPos += static_cast<size_t>(p - begin);
        if (p < end) {
            const char c = *p;
            ++FPos;
            ++FConsumed;
            if (c == '\r' && Fill() && FBuffer[FPos] == '\n') {
                ++FPos;
                ++FConsumed;
            }
            return true;
        }
        if (!Fill()) return true;  // last line without a line end
    }
}
