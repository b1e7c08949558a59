// The vendor's two web hosts and the addresses on them. Both base URLs are fixed at
// build time and may be replaced at run time by $TESSELON_PRIMARY_URL and
// $TESSELON_FALLBACK_URL; an unconfigured build points under ".invalid", where nothing
// resolves and so nothing leaves the machine.
#pragma once

#include <string>

namespace tesselon {

struct VendorHosts {
    std::string primary;   // HTTPS, ending with "/"
    std::string fallback;  // plain HTTP, ending with "/"
};

// The hosts in force for this process.
VendorHosts vendorHosts();

// The usage-statistics address on the primary host.
std::string statisticsUrl(const VendorHosts& hosts);
// Where a user can fetch the wget tool, on the primary host.
std::string toolDownloadUrl(const VendorHosts& hosts);

// The update's folder on a host, and its version file.
inline constexpr const char* kUpdateFolder = ".soft/.Tesselon/";
inline constexpr const char* kVersionFileName = "lastversion.dat";

}  // namespace tesselon
