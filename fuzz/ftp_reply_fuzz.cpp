// libFuzzer target: arbitrary bytes as what an FTP server says on the control
// connection, cut into receives of sizes the input chooses, through the reply tests the
// client makes. Built and run by fuzz/run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "remote/ftp_protocol_text.h"
#include "remote/ftp_reply_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tesselon;
    if (size < 2) return 0;
    // The first byte picks the receive sizes; the rest is the server's text.
    const size_t step = 1 + data[0] % 64;
    size_t pos = 1;
    FtpReplyReader reader([&](char* buffer, size_t length, FtpReplyReader::Clock::time_point) -> long {
        if (pos >= size) return -1;
        const size_t n = std::min({length, step + (data[pos] & 7), size - pos});
        std::memcpy(buffer, data + pos, n);
        pos += n;
        return long(n);
    });
    std::string text;
    for (int round = 0; !reader.broken(); ++round) {
        switch (round % 4) {
        case 0: reader.drainReply(); break;
        case 1:
            if (reader.expectReply("227", &text)) parsePassiveReply(text);
            break;
        case 2:
            if (reader.expectReply("257", &text)) parseCurrentDirReply(text);
            break;
        default: reader.nextLine(text); break;
        }
    }
    return 0;
}
