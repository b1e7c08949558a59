#include "update/statistics_request.h"

#include <chrono>
#include <thread>

namespace tesselon {

namespace {

// Longer than libcurl's longest pause between two callbacks, where the worker looks
// for the stop.
constexpr auto kMostWaitAfterStop = std::chrono::seconds(3);
// Far more than any real answer; a host that never stops sending is cut off there.
constexpr int64_t kMostAnswerBytes = 64 * 1024;

HttpOptions statisticsOptions(const HttpLimits& limits, int flags) {
    HttpOptions options;
    options.flags = kHttpNoRedirect | flags;
    options.limits = limits;
    options.limits.maxBodyBytes = kMostAnswerBytes;
    return options;
}

}  // namespace

void sendUsageStatistics(const VendorHosts& hosts, const HttpLimits& limits) {
    // The answer means nothing to the program; it is read only to end the exchange.
    (void)fetchHttpMemory(statisticsUrl(hosts), statisticsOptions(limits, 0));
}

UsageStatistics::UsageStatistics(const VendorHosts& hosts, const HttpLimits& limits)
    : transfer_(receiveHttpMemory(statisticsUrl(hosts), statisticsOptions(limits, kHttpAsync))) {}

UsageStatistics::~UsageStatistics() {
    if (finished()) return;
    transfer_->requestAbort();
    const auto giveUp = std::chrono::steady_clock::now() + kMostWaitAfterStop;
    while (!transfer_->finished() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace tesselon
