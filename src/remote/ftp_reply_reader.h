// Reading FTP replies line by line from the control connection.
//
// Bytes are collected until a line break (CR, LF or any run of them, so empty lines
// never appear); a line that arrives in several pieces is put together first. A line
// longer than kMaxReplyLine keeps its first kMaxReplyLine bytes and the rest up to its
// break is dropped, so a hostile server cannot make the reader hold more than one
// receive and one line. Lines one reply test leaves unread stay queued, in order, for
// the next one, however many a single receive brought.
//
// One reply, however it is cut into lines, is bounded three ways: each receive by the
// caller's idle bound, the whole reply by a deadline, and its size by kMaxReplyLines
// lines (and the bytes such lines may hold). A server that trickles, or never ends a
// multi-line reply, loses the conversation instead of holding the client.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace tesselon {

inline constexpr size_t kReplyChunk = 4095;     // bytes taken from the socket at once
inline constexpr size_t kMaxReplyLine = 2047;   // bytes kept of one line
inline constexpr size_t kMaxReplyText = 1023;   // bytes kept of a matching line
inline constexpr size_t kMaxReplyLines = 1000;  // lines of one reply; more is a protocol error
// Bytes one reply may take from the socket, dropped parts of over-long lines included.
inline constexpr size_t kMaxReplyBytes = kMaxReplyLines * (kMaxReplyLine + 2);
inline constexpr std::chrono::seconds kDefaultReplyDeadline{60};

// Why the reader gave up on the conversation.
enum class FtpReplyProblem {
    None,
    NoReply,   // the connection closed or failed, or stayed silent past the idle bound
    TooLong,   // a reply of more than kMaxReplyLines lines (or kMaxReplyBytes bytes)
    TooSlow,   // a reply still unfinished at its deadline
};

class FtpReplyReader {
public:
    using Clock = std::chrono::steady_clock;
    // Receives into the buffer, waiting no later than `replyEnds` (and no longer than
    // the caller's own idle bound): the byte count, 0 at end of data, -1 on a failure
    // (a timeout included).
    using Receive = std::function<long(char* buffer, size_t length, Clock::time_point replyEnds)>;

    explicit FtpReplyReader(Receive receive, Clock::duration replyDeadline = kDefaultReplyDeadline)
        : receive_(std::move(receive)), replyDeadline_(replyDeadline) {}

    // Takes lines until one whose fourth character is not "-"; a line whose code (its
    // first three characters) is one of the ";"-separated `codes` becomes the reply
    // text. True when any line matched. Stops early, false, when receiving fails or the
    // reply passes its bounds.
    bool expectReply(std::string_view codes, std::string* replyText = nullptr);
    // Takes lines the same way without testing their codes (greetings, final replies);
    // false when the reply did not end within its bounds.
    bool drainReply();

    // The next line on its own (a reply of one line's bounds), receiving when none is
    // queued; false when receiving failed.
    bool nextLine(std::string& line);

    // Once a receive failed (an error, a timeout, the server gone) or a reply broke its
    // bounds the conversation is lost: a reply arriving later could be taken for the
    // answer to another command.
    bool broken() const { return problem_ != FtpReplyProblem::None; }
    FtpReplyProblem problem() const { return problem_; }
    // Whether bytes beyond the last reply were received and are waiting to be read.
    bool holdsUnread() const { return !lines_.empty() || !partial_.empty(); }
    // The code of the last reply read to its end (its final line); 0 when none was.
    int lastCode() const { return lastCode_; }

private:
    void beginReply();
    bool takeLine(std::string& line);
    // Takes the lines of one reply, handing each to `use`; false when it broke off.
    bool readReply(const std::function<void(const std::string&)>& use);
    void split(const char* bytes, size_t length);

    Receive receive_;
    Clock::duration replyDeadline_;
    Clock::time_point replyEnds_{};
    size_t replyBytes_ = 0;
    std::deque<std::string> lines_;
    std::string partial_;    // the line being received
    bool cutting_ = false;   // the partial line is over-long; bytes are dropped up to its break
    FtpReplyProblem problem_ = FtpReplyProblem::None;
    int lastCode_ = 0;
};

// Whether a reply line's code is one of the ";"-separated codes ("125;150").
bool replyCodeIn(std::string_view line, std::string_view codes);

}  // namespace tesselon
