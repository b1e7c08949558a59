#include <vector>

#include "runtime/fs/directory_listing.h"
#include "runtime/fs/text_codec.h"

namespace tesselon {

namespace {

// Simple one-to-one case folding of the scripts file names commonly use; enough for
// the comparisons a file dialog's wildcard makes.
char32_t foldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

std::vector<char32_t> foldedCodePoints(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) out.push_back(foldCase(decodeUtf8(text, pos)));
    return out;
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern.empty() || pattern == "*.*") return true;
    const std::vector<char32_t> p = foldedCodePoints(pattern);
    const std::vector<char32_t> n = foldedCodePoints(name);
    // Greedy matching that retries from the last "*": linear in practice, and never
    // exponential on hostile patterns such as "*a*a*a*b".
    size_t pi = 0, ni = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == U'*') {
            starP = pi++;
            starN = ni;
        } else if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

}  // namespace tesselon
