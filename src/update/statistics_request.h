// The one usage-statistics request of a start: a plain GET of a fixed address on the
// vendor's primary host that tells it a copy is in use. It carries nothing of the
// user's beyond what any request carries.
#pragma once

#include "runtime/http/http_transfer.h"
#include "update/vendor_hosts.h"

namespace tesselon {

// Fetches the statistics address without following redirects and discards the
// answer, of which no more than 64 KiB is read. Every failure is silent. Blocks until the host answered or a limit ran out,
// so callers run it on a thread of its own.
void sendUsageStatistics(const VendorHosts& hosts, const HttpLimits& limits = {});

// The same request sent in the background. Nothing waits for it; destroying it stops
// a request still under way and waits for its worker to leave libcurl (the worker sees
// the stop within a second or so), so that the program's exit never takes libcurl and
// OpenSSL down under a running request.
class UsageStatistics {
public:
    explicit UsageStatistics(const VendorHosts& hosts, const HttpLimits& limits = {});
    ~UsageStatistics();
    UsageStatistics(const UsageStatistics&) = delete;
    UsageStatistics& operator=(const UsageStatistics&) = delete;

    bool finished() const { return !transfer_ || transfer_->finished(); }

private:
    HttpTransferPtr transfer_;
};

}  // namespace tesselon
