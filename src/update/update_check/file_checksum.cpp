#include "update/update_check/file_checksum.h"

#include "runtime/hash/sha256.h"

namespace tesselon {

std::string sha256OfFile(const std::string& path) {
    // An update file is at most 512 MiB; the cap only keeps a device from being read.
    const std::optional<Sha256Digest> digest = sha256OfRegularFile(path, uint64_t(1) << 40);
    return digest ? hexOf(*digest) : std::string();
}

}  // namespace tesselon
