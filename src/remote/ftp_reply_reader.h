// Reading FTP replies line by line from the control connection.
//
// Bytes are collected until a line break (CR, LF or any run of them, so empty lines
// never appear); a line that arrives in several pieces is put together first. A line
// longer than kMaxReplyLine keeps its first kMaxReplyLine bytes and the rest up to its
// break is dropped, so a hostile server cannot make the reader hold more than one
// receive and one line. Lines one reply test leaves unread stay queued, in order, for
// the next one, however many a single receive brought.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace tesselon {

inline constexpr size_t kReplyChunk = 4095;     // bytes taken from the socket at once
inline constexpr size_t kMaxReplyLine = 2047;   // bytes kept of one line
inline constexpr size_t kMaxReplyText = 1023;   // bytes kept of a matching line

class FtpReplyReader {
public:
    // Receives into the buffer: the byte count, 0 at end of data, -1 on a failure (a
    // timeout included).
    using Receive = std::function<long(char* buffer, size_t length)>;

    explicit FtpReplyReader(Receive receive) : receive_(std::move(receive)) {}

    // Takes lines until one whose fourth character is not "-"; a line whose code (its
    // first three characters) is one of the ";"-separated `codes` becomes the reply
    // text. True when any line matched. Stops early, false, when receiving fails.
    bool expectReply(std::string_view codes, std::string* replyText = nullptr);
    // Takes lines the same way without testing their codes (greetings, final replies).
    void drainReply();

    // The next line, receiving when none is queued; false when receiving failed.
    bool nextLine(std::string& line);

    // Once a receive failed (an error, a timeout, the server gone) the conversation is
    // lost: a reply arriving later could be taken for the answer to another command.
    bool broken() const { return broken_; }

private:
    void split(const char* bytes, size_t length);

    Receive receive_;
    std::deque<std::string> lines_;
    std::string partial_;    // the line being received
    bool cutting_ = false;   // the partial line is over-long; bytes are dropped up to its break
    bool broken_ = false;
};

// Whether a reply line's code is one of the ";"-separated codes ("125;150").
bool replyCodeIn(std::string_view line, std::string_view codes);

}  // namespace tesselon
