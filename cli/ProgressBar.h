#pragma once
// The progress line fbscript keeps on standard error while it is a terminal:
// statements done of the total (bytes read of the file's size in stream mode),
// the time spent and an estimate of the time left. Redrawn at most ten times
// a second, so that a fast run does not spend its time on the terminal.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class TProgressBar {
public:
    // `total` is the number of statements, or the file's size in bytes when
    // `bytes` is set. A disabled bar prints nothing at all.
    TProgressBar(std::FILE* out, bool enabled, bool bytes, std::int64_t total);
    ~TProgressBar();

    bool Enabled() const { return FEnabled; }
    // Reports progress; draws when the last drawing is 100 ms old.
    void Update(std::int64_t done);
    // Wipes the line, so that other output can be printed; the next Update
    // draws it again.
    void Clear();

    // The line as drawn for `done` after `elapsed` seconds (no terminal codes).
    std::string Render(std::int64_t done, double elapsed) const;
    static std::string FormatDuration(double seconds);
    static std::string FormatBytes(std::int64_t bytes);

private:
    std::FILE* FOut;
    bool FEnabled;
    bool FBytes;
    std::int64_t FTotal;
    bool FShown = false;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};
