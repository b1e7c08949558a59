#include "ui/batch_progress_text.h"

#include <cmath>
#include <cstdio>

namespace tesselon {

std::string batchCountText(size_t done, size_t total) {
    return std::to_string(done) + " de " + std::to_string(total);
}

std::string batchTimeLeftText(size_t done, size_t total, double elapsedSeconds) {
    if (done == 0 || done > total || !(elapsedSeconds >= 0)) return "Calculando tiempo restante...";
    // Rounded up, so that it never reads 0 while an image is still to come.
    const double left = std::ceil(elapsedSeconds / double(done) * double(total - done));
    const long long seconds = left < 1e9 ? (long long)left : 999999999LL;
    char text[64];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "Quedan %lld s", seconds);
    else if (seconds < 3600)
        std::snprintf(text, sizeof text, "Quedan %lld min %02lld s", seconds / 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "Quedan %lld h %02lld min", seconds / 3600, seconds / 60 % 60);
    return text;
}

}  // namespace tesselon
