#include "update/update_check/file_checksum.h"

#include <array>
#include <fcntl.h>
#include <nettle/sha2.h>
#include <unistd.h>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

std::string sha256OfFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return {};
    sha256_ctx context;
    sha256_init(&context);
    std::array<uint8_t, 65536> block{};
    for (;;) {
        const long long got = readFully(fd.get(), block.data(), block.size());
        if (got < 0) return {};
        if (got == 0) break;
        sha256_update(&context, size_t(got), block.data());
    }
    std::array<uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&context, digest.size(), digest.data());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace tesselon
