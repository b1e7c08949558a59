#include "update/vendor_hosts.h"

#include <cstdlib>

namespace tesselon {

namespace {

std::string baseUrl(const char* variable, const char* builtIn) {
    const char* configured = std::getenv(variable);
    std::string url = configured && *configured ? configured : builtIn;
    // Paths are appended to it as they are.
    if (!url.empty() && url.back() != '/') url += '/';
    return url;
}

}  // namespace

VendorHosts vendorHosts() {
    return VendorHosts{baseUrl("TESSELON_PRIMARY_URL", TESSELON_UPDATE_BASE_URL),
                       baseUrl("TESSELON_FALLBACK_URL", TESSELON_FALLBACK_BASE_URL)};
}

std::string updatePublicKey() {
    const char* configured = std::getenv("TESSELON_UPDATE_PUBLIC_KEY");
    return configured && *configured ? configured : TESSELON_UPDATE_PUBLIC_KEY;
}

std::string statisticsUrl(const VendorHosts& hosts) { return hosts.primary + ".soft/.stats/?app=TSN"; }

std::string toolDownloadUrl(const VendorHosts& hosts) { return hosts.primary + ".soft/varios/wget.dat"; }

}  // namespace tesselon
