// How much an update may fetch. Every bound is met while the bytes arrive, so a host
// that never stops sending costs neither memory nor disk.
#pragma once

#include <cstdint>
#include <string>

namespace tesselon {

inline constexpr int64_t kVersionFileMaxBytes = 64 * 1024;
inline constexpr int64_t kSignatureMaxBytes = 1024;
inline constexpr int64_t kUpdateFileMaxBytes = int64_t(512) << 20;
// Left free on the program folder's file system whatever an update brings.
inline constexpr int64_t kFreeSpaceKept = int64_t(64) << 20;

// The most one file of an update may take in `folder`: kUpdateFileMaxBytes, less when
// the folder's file system has less than that beyond kFreeSpaceKept. 0 when there is
// no room at all or the file system cannot be asked.
int64_t updateFileAllowance(const std::string& folder);

}  // namespace tesselon
