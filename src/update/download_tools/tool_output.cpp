#include "update/download_tools/tool_output.h"

#include <algorithm>

#include "runtime/text/ascii_text.h"

namespace tesselon {

namespace {

constexpr std::string_view kContentLength = "content-length:";

size_t countOf(std::string_view text, std::string_view part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// Field `n` (from 1) of the text split at `separator`; empty past the last one.
std::string_view field(std::string_view text, char separator, size_t n) {
    for (size_t i = 1; i < n; ++i) {
        const size_t at = text.find(separator);
        if (at == std::string_view::npos) return {};
        text.remove_prefix(at + 1);
    }
    return text.substr(0, text.find(separator));
}

}  // namespace

std::string wgetPercentage(std::string_view chunk) {
    const size_t k = countOf(chunk, "% ");
    if (k == 0) return {};
    std::string_view p = field(chunk, '%', k);
    if (p.size() > 3) p = p.substr(p.size() - 3);
    return std::string(trimSpaces(p)) + "%";
}

bool wgetReportsSaved(std::string_view chunk, std::string_view localPath) {
    std::string path(localPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    size_t at = std::string_view::npos;
    for (std::string_view open : {"'", "\u2018"}) {
        for (std::string_view close : {"'", "\u2019"}) {
            const size_t found = chunk.find(std::string(open) + path + std::string(close) + " saved [");
            if (found != std::string_view::npos) at = chunk.find("saved [", found + open.size() + path.size());
        }
    }
    if (at == std::string_view::npos) return false;
    const std::string_view counts = chunk.substr(at + std::string_view("saved [").size());
    const size_t slash = counts.find('/');
    if (slash == std::string_view::npos) return false;
    const std::optional<int64_t> got = leadingNumber(counts.substr(0, slash));
    const std::optional<int64_t> expected = leadingNumber(counts.substr(slash + 1));
    return got && expected && *got == *expected;
}

std::optional<int64_t> xhContentLength(std::string_view chunk) {
    const std::string lower = asciiLower(chunk);
    const size_t at = lower.find(kContentLength);
    if (at == std::string::npos) return std::nullopt;
    const std::string_view from = std::string_view(chunk).substr(at);
    return leadingNumber(trimSpaces(field(from, ':', 2)));
}

int64_t contentLengthOfHeaders(std::string_view headers) {
    const std::string lower = asciiLower(headers);
    const size_t p = lower.rfind(kContentLength);
    if (p == std::string::npos) return -1;
    const size_t q = lower.find("\r\n", p);
    if (q == std::string::npos) return -1;
    const size_t start = p + kContentLength.size();
    return leadingNumber(std::string_view(lower).substr(start, q - start)).value_or(-1);
}

}  // namespace tesselon
