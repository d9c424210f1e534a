#include "cli/ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBarWidth = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
}  // namespace

TProgressBar::TProgressBar(std::FILE* out, bool enabled, bool bytes, std::int64_t total)
    : FOut(out), FEnabled(enabled), FBytes(bytes), FTotal(total),
      FStart(std::chrono::steady_clock::now()), FLastDraw(FStart - kRedrawInterval)
{
}

TProgressBar::~TProgressBar() { Clear(); }

std::string TProgressBar::FormatDuration(double seconds)
{
    if (!(seconds >= 0) || seconds > 359999) return "--:--";
    const long s = std::lround(seconds);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

std::string TProgressBar::FormatBytes(std::int64_t bytes)
{
    char buf[32];
    const double b = static_cast<double>(bytes);
    if (bytes < 1024)
        std::snprintf(buf, sizeof buf, "%lld B", static_cast<long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(buf, sizeof buf, "%.1f KB", b / 1024);
    else if (bytes < 1024LL * 1024 * 1024)
        std::snprintf(buf, sizeof buf, "%.1f MB", b / (1024 * 1024));
    else
        std::snprintf(buf, sizeof buf, "%.2f GB", b / (1024.0 * 1024 * 1024));
    return buf;
}

std::string TProgressBar::Render(std::int64_t done, double elapsed) const
{
    const std::int64_t total = std::max<std::int64_t>(FTotal, 0);
    done = std::clamp<std::int64_t>(done, 0, total > 0 ? total : done);
    const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string line = "[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(kBarWidth - filled), '.');
    line += "] ";
    if (FBytes)
        line += FormatBytes(done) + " / " + FormatBytes(total);
    else
        line += std::to_string(done) + "/" + std::to_string(total) + " statements";
    line += "  " + FormatDuration(elapsed) + " elapsed";
    // No estimate until there is something to extrapolate from.
    if (done > 0 && elapsed >= 0.5 && total > 0) {
        const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
        line += "  ~" + FormatDuration(left) + " left";
    }
    return line;
}

void TProgressBar::Update(std::int64_t done)
{
    if (!FEnabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - FLastDraw < kRedrawInterval) return;
    FLastDraw = now;
    const double elapsed = std::chrono::duration<double>(now - FStart).count();
    std::fprintf(FOut, "\r%s\033[K", Render(done, elapsed).c_str());
    std::fflush(FOut);
    FShown = true;
}

void TProgressBar::Clear()
{
    if (!FEnabled || !FShown) return;
    std::fputs("\r\033[K", FOut);
    std::fflush(FOut);
    FShown = false;
    // Draw again at the next Update, however soon it comes.
    FLastDraw = std::chrono::steady_clock::now() - kRedrawInterval;
}
