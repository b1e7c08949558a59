// SHA-256 of bytes and of files, for checksums that must hold against a hostile party
// (update files) and for telling whether a file's content changed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nettle/sha2.h>

namespace tesselon {

class FolderHandle;

using Sha256Digest = std::array<uint8_t, 32>;

// A digest built from several pieces.
class Sha256 {
public:
    Sha256() { sha256_init(&context_); }
    Sha256& add(std::string_view bytes);
    // A length before the text, so that ("ab", "c") and ("a", "bc") differ.
    Sha256& addField(std::string_view text);
    Sha256Digest finish();

private:
    sha256_ctx context_;
};

Sha256Digest sha256Of(std::string_view bytes);

// The digest of the regular file at `path` (links followed), read in pieces; nothing
// when it is not a regular file of at most `maxBytes` or cannot be read whole.
std::optional<Sha256Digest> sha256OfRegularFile(std::string_view path, uint64_t maxBytes);

// 64 lower-case hex digits.
std::string hexOf(const Sha256Digest& digest);
// The digest from 64 hex digits (either case); nothing for anything else.
std::optional<Sha256Digest> digestFromHex(std::string_view hex);

}  // namespace tesselon
