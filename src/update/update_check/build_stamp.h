// The running build's stamp, which the version file on the vendor's host is compared
// with.
#pragma once

namespace tesselon {

inline constexpr const char* kLocalBuildStamp = "2025112112342";

}  // namespace tesselon
