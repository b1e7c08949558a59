#include "remote/ftp_protocol_text.h"

namespace tesselon {

std::optional<std::string> commandLine(std::string_view command, std::string_view argument) {
    for (std::string_view part : {command, argument}) {
        if (part.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return std::nullopt;
    }
    if (command.size() + argument.size() + 2 > kMaxCommandLine) return std::nullopt;
    std::string line;
    line.reserve(command.size() + argument.size() + 2);
    line += command;
    line += argument;
    line += "\r\n";
    return line;
}

std::optional<PassiveReply> parsePassiveReply(std::string_view reply) {
    int numbers[6] = {};
    int count = 0;
    for (size_t i = 3; i < reply.size() && count < 6;) {
        if (reply[i] < '0' || reply[i] > '9') {
            ++i;
            continue;
        }
        int value = 0;
        for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
            if (value <= 255) value = value * 10 + (reply[i] - '0');
        }
        if (value > 255) return std::nullopt;
        numbers[count++] = value;
    }
    if (count != 6) return std::nullopt;
    PassiveReply parsed;
    for (int k = 0; k < 4; ++k) parsed.host[k] = uint8_t(numbers[k]);
    parsed.port = uint16_t(numbers[4] * 256 + numbers[5]);
    return parsed;
}

std::string parseCurrentDirReply(std::string_view reply) {
    if (reply.size() < 5 || reply[3] != ' ' || reply[4] != '"') return {};
    for (size_t i = 5; i < reply.size(); ++i) {
        if (reply[i] == '"' && (i + 1 == reply.size() || reply[i + 1] == ' ')) return std::string(reply.substr(5, i - 5));
    }
    return {};
}

std::optional<uint64_t> parseSizeReply(std::string_view reply) {
    size_t at = 3;
    while (at < reply.size() && reply[at] == ' ') ++at;
    uint64_t bytes = 0;
    size_t digits = 0;
    for (; at < reply.size() && reply[at] >= '0' && reply[at] <= '9'; ++at, ++digits) {
        if (digits >= 19) return std::nullopt;
        bytes = bytes * 10 + uint64_t(reply[at] - '0');
    }
    while (at < reply.size() && (reply[at] == ' ' || reply[at] == '\r' || reply[at] == '\n')) ++at;
    if (digits == 0 || at != reply.size()) return std::nullopt;
    return bytes;
}

}  // namespace tesselon
