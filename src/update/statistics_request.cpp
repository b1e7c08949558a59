#include "update/statistics_request.h"

namespace tesselon {

void sendUsageStatistics(const VendorHosts& hosts, const HttpLimits& limits) {
    HttpOptions options;
    options.flags = kHttpNoRedirect;
    options.limits = limits;
    // The answer means nothing to the program; it is read only to end the exchange.
    (void)fetchHttpMemory(statisticsUrl(hosts), options);
}

}  // namespace tesselon
