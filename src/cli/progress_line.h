// The progress line of tesselon-batch on a terminal: done/total, images per second and
// the time left, rewritten in place.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace tesselon {

class ProgressLine {
public:
    // Draws only when `out` is a terminal.
    explicit ProgressLine(std::FILE* out);
    ~ProgressLine();  // ends the line

    void update(size_t done, size_t total);
    // Ends the line, so that what is printed next starts on a line of its own.
    void finish();

    // The text for a state, without terminal control characters.
    static std::string format(size_t done, size_t total, double seconds);

private:
    std::FILE* out_;
    bool active_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace tesselon
