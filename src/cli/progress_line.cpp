#include "cli/progress_line.h"

#include <unistd.h>

#include <cmath>

namespace tesselon {

ProgressLine::ProgressLine(std::FILE* out)
    : out_(out), active_(out && ::isatty(::fileno(out))), start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::finish() {
    if (!drawn_) return;
    std::fputs("\n", out_);
    std::fflush(out_);
    drawn_ = false;
}

std::string ProgressLine::format(size_t done, size_t total, double seconds) {
    const double rate = seconds > 0 ? double(done) / seconds : 0;
    std::string left = "--:--";
    if (rate > 0 && done <= total) {
        const long remaining = std::lround(double(total - done) / rate);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%ld:%02ld", remaining / 60, remaining % 60);
        left = buf;
    }
    char text[128];
    std::snprintf(text, sizeof text, "%zu/%zu images  %.1f images/s  %s left", done, total, rate, left.c_str());
    return text;
}

void ProgressLine::update(size_t done, size_t total) {
    if (!active_) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(out_, "\r\033[K%s", format(done, total, seconds).c_str());
    std::fflush(out_);
    drawn_ = true;
}

}  // namespace tesselon
