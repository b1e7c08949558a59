// The one usage-statistics request of a start: a plain GET of a fixed address on the
// vendor's primary host that tells it a copy is in use. It carries nothing of the
// user's beyond what any request carries.
#pragma once

#include "runtime/http/http_transfer.h"
#include "update/vendor_hosts.h"

namespace tesselon {

// Fetches the statistics address without following redirects and discards the
// answer. Every failure is silent. Blocks until the host answered or a limit ran out,
// so callers run it on a thread of its own.
void sendUsageStatistics(const VendorHosts& hosts, const HttpLimits& limits = {});

}  // namespace tesselon
