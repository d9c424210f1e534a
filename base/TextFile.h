#pragma once
// Reading a text file line by line without holding it whole. Lines end at LF,
// CR LF or a lone CR; a final line end adds no empty line.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class TTextFileReader {
public:
    // Raises EInOutError ("File not found", "I/O error %d") when the file
    // cannot be opened.
    explicit TTextFileReader(const std::string& fileName);
    ~TTextFileReader();
    TTextFileReader(const TTextFileReader&) = delete;
    TTextFileReader& operator=(const TTextFileReader&) = delete;

    // Reads the next line into `line` (without its line end). Returns false,
    // leaving `line` empty, when the end of the file had already been reached.
    // A read error raises EInOutError.
    bool ReadLine(std::string& line);
    // True when nothing is left to read.
    bool Eof();
    std::int64_t BytesRead() const { return FConsumed; }
    std::int64_t FileSize() const { return FSize; }
    const std::string& FileName() const { return FFileName; }

private:
    bool Fill();

    std::string FFileName;
    std::FILE* FFile = nullptr;
    std::vector<char> FBuffer;
    size_t FPos = 0, FEnd = 0;
    std::int64_t FConsumed = 0;
    std::int64_t FSize = 0;
};
