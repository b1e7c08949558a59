#include "runtime/hash/sha256.h"

#include <vector>

#include "runtime/fs/regular_file.h"

namespace tesselon {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Sha256& Sha256::add(std::string_view bytes) {
    sha256_update(&context_, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    return *this;
}

Sha256& Sha256::addField(std::string_view text) {
    const std::string length = std::to_string(text.size()) + ":";
    return add(length).add(text);
}

Sha256Digest Sha256::finish() {
    Sha256Digest digest{};
    sha256_digest(&context_, digest.size(), digest.data());
    return digest;
}

Sha256Digest sha256Of(std::string_view bytes) { return Sha256().add(bytes).finish(); }

std::optional<Sha256Digest> sha256OfRegularFile(std::string_view path, uint64_t maxBytes) {
    OpenedFile opened = openRegularFile(path, maxBytes);
    if (!opened.file) return std::nullopt;
    Sha256 digest;
    std::vector<char> block(size_t(1) << 16);
    uint64_t total = 0;
    for (;;) {
        const long long got = readFully(opened.file->fd.get(), block.data(), block.size());
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        total += uint64_t(got);
        // A file that grows past the cap while it is read is refused like a larger one.
        if (total > maxBytes) return std::nullopt;
        digest.add(std::string_view(block.data(), size_t(got)));
    }
    return digest.finish();
}

std::string hexOf(const Sha256Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

std::optional<Sha256Digest> digestFromHex(std::string_view hex) {
    Sha256Digest digest{};
    if (hex.size() != digest.size() * 2) return std::nullopt;
    for (size_t i = 0; i < digest.size(); ++i) {
        const int high = hexValue(hex[2 * i]);
        const int low = hexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = uint8_t(high * 16 + low);
    }
    return digest;
}

}  // namespace tesselon
