#include "remote/ftp_reply_reader.h"

namespace tesselon {

namespace {

bool continues(const std::string& line) { return line.size() >= 4 && line[3] == '-'; }

int replyCode(const std::string& line) {
    if (line.size() < 3) return 0;
    int code = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

}  // namespace

bool replyCodeIn(std::string_view line, std::string_view codes) {
    if (line.size() < 3) return false;
    const std::string_view code = line.substr(0, 3);
    while (!codes.empty()) {
        const size_t bar = codes.find(';');
        if (codes.substr(0, bar) == code) return true;
        if (bar == std::string_view::npos) break;
        codes.remove_prefix(bar + 1);
    }
    return false;
}

void FtpReplyReader::split(const char* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            if (!partial_.empty()) lines_.push_back(std::move(partial_));
            partial_.clear();
            cutting_ = false;
        } else if (partial_.size() < kMaxReplyLine) {
            partial_ += c;
        } else {
            cutting_ = true;
        }
    }
}

void FtpReplyReader::beginReply() {
    lastCode_ = 0;
    replyEnds_ = Clock::now() + replyDeadline_;
    replyBytes_ = 0;
}

bool FtpReplyReader::takeLine(std::string& line) {
    while (lines_.empty()) {
        if (broken()) return false;
        char chunk[kReplyChunk];
        const long got = receive_(chunk, sizeof chunk, replyEnds_);
        if (got <= 0) {
            problem_ = got < 0 && Clock::now() >= replyEnds_ ? FtpReplyProblem::TooSlow : FtpReplyProblem::NoReply;
            return false;
        }
        replyBytes_ += size_t(got);
        if (replyBytes_ > kMaxReplyBytes) {
            problem_ = FtpReplyProblem::TooLong;
            return false;
        }
        split(chunk, size_t(got));
    }
    line = std::move(lines_.front());
    lines_.pop_front();
    return true;
}

bool FtpReplyReader::nextLine(std::string& line) {
    beginReply();
    return takeLine(line);
}

bool FtpReplyReader::readReply(const std::function<void(const std::string&)>& use) {
    beginReply();
    std::string line;
    for (size_t taken = 0; takeLine(line);) {
        if (++taken > kMaxReplyLines) {
            problem_ = FtpReplyProblem::TooLong;
            return false;
        }
        use(line);
        if (!continues(line)) {
            lastCode_ = replyCode(line);
            return true;
        }
    }
    return false;
}

bool FtpReplyReader::expectReply(std::string_view codes, std::string* replyText) {
    bool matched = false;
    const bool ended = readReply([&](const std::string& line) {
        if (!replyCodeIn(line, codes)) return;
        matched = true;
        if (replyText) *replyText = line.substr(0, kMaxReplyText);
    });
    return ended && matched;
}

bool FtpReplyReader::drainReply() {
    return readReply([](const std::string&) {});
}

}  // namespace tesselon
