// libFuzzer target: arbitrary bytes as the data of a LIST, cut into receives of sizes
// the input chooses, through the window the client reads listings with, and the
// entries read back, their dates within the calendar's bounds. Built and run by fuzz/run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "remote/ftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tesselon;
    if (size < 2) return 0;
    // The first byte picks the receive sizes and a small line limit now and then.
    const size_t step = 1 + data[0] % 128;
    const size_t maxLines = data[0] & 0x80 ? 4 : kMaxListingLines;
    FtpListing listing;
    ListingWindow window(listing, maxLines);
    std::optional<FtpListOutcome> end;
    for (size_t pos = 1; !end;) {
        const size_t n = std::min({window.room(), step, size - pos});
        std::memcpy(window.space(), data + pos, n);
        pos += n;
        end = window.take(n);
    }
    size_t entries = 0;
    while (listing.next()) {
        const FtpListEntry* entry = listing.current();
        if (!entry || entry->name.size() >= kListingWindow) __builtin_trap();
        // A date is one of year 1969 (a recent date early in 1970) to 9999, or none.
        constexpr int64_t kYear10000 = 253402300800;
        if (entry->modified != kNoListedTime && (entry->modified < -366 * 86400 || entry->modified >= kYear10000))
            __builtin_trap();
        ++entries;
    }
    if (entries > maxLines) __builtin_trap();
    return 0;
}
