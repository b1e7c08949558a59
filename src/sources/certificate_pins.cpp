#include "sources/certificate_pins.h"

#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

// Far more pins than anyone keeps; a larger file is not read.
constexpr uint64_t kMaxPinsFileBytes = 1 << 20;

std::string keyOf(const std::string& host, int port) { return host + ":" + std::to_string(port); }

}  // namespace

std::optional<std::string> normalizedFingerprint(const std::string& text) {
    std::string hex;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') {
            // Colons only between pairs of digits.
            if (hex.empty() || hex.size() % 2 != 0 || i + 1 == text.size() || text[i + 1] == ':') return std::nullopt;
            continue;
        }
        if (c >= '0' && c <= '9') hex += c;
        else if (c >= 'a' && c <= 'f') hex += c;
        else if (c >= 'A' && c <= 'F') hex += char(c - 'A' + 'a');
        else return std::nullopt;
    }
    if (hex.size() != 64) return std::nullopt;
    return hex;
}

std::vector<std::string> pinnedCertificatesFor(const std::string& file, const std::string& host, int port) {
    std::vector<std::string> pins;
    const std::optional<std::string> text = readWholeFile(file, kMaxPinsFileBytes);
    if (!text) return pins;
    const std::string key = keyOf(host, port);
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        const std::string line = text->substr(start, end - start);
        start = end + 1;
        const size_t space = line.find(' ');
        if (space == std::string::npos || line.substr(0, space) != key) continue;
        if (std::optional<std::string> pin = normalizedFingerprint(line.substr(space + 1))) pins.push_back(*pin);
    }
    return pins;
}

bool pinCertificate(const std::string& file, const std::string& host, int port, const std::string& fingerprint) {
    std::string text;
    if (fileSize(file) != kFileMissing) {
        const std::optional<std::string> existing = readWholeFile(file, kMaxPinsFileBytes);
        if (!existing) return false;
        text = *existing;
        if (!text.empty() && text.back() != '\n') text += '\n';
    }
    text += keyOf(host, port) + " " + fingerprint + "\n";
    return writeFileReplacing(file, text);
}

}  // namespace tesselon
