// The vendor's two web hosts, the addresses on them, and the key that signs what the
// update installs. All three are fixed at build time and may be replaced at run time
// by $TESSELON_PRIMARY_URL, $TESSELON_FALLBACK_URL and $TESSELON_UPDATE_PUBLIC_KEY; an
// unconfigured build points under ".invalid", where nothing resolves and so nothing
// leaves the machine, and has no key, so it never installs anything.
#pragma once

#include <string>

namespace tesselon {

struct VendorHosts {
    std::string primary;   // HTTPS, ending with "/"
    std::string fallback;  // plain HTTP, ending with "/"
};

// The hosts in force for this process.
VendorHosts vendorHosts();

// The public key in force for this process, as base64 of the raw 32-byte Ed25519 key;
// empty when there is none.
std::string updatePublicKey();

// The usage-statistics address on the primary host.
std::string statisticsUrl(const VendorHosts& hosts);
// Where a user can fetch the wget tool, on the primary host.
std::string toolDownloadUrl(const VendorHosts& hosts);

// The update's folder on a host, and its version file.
inline constexpr const char* kUpdateFolder = ".soft/.Tesselon/";
inline constexpr const char* kVersionFileName = "lastversion.dat";

}  // namespace tesselon
