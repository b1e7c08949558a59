// The texts of the FTP conversation: command lines as sent, and the parts of replies
// the client reads (the 227 passive address, the 257 current directory).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesselon {

// The longest command line sent, its CR LF included.
inline constexpr size_t kMaxCommandLine = 1023;

// command + argument + CR LF. Nothing when the argument holds a CR, an LF or a NUL
// (which would smuggle in a second command or cut this one) or when the line would be
// longer than kMaxCommandLine: such a command is refused, never cut.
std::optional<std::string> commandLine(std::string_view command, std::string_view argument = {});

// The six numbers of a 227 reply, read as runs of digits from its fourth character.
struct PassiveReply {
    uint8_t host[4] = {};
    uint16_t port = 0;
};
// Nothing unless there are six numbers, each from 0 to 255.
std::optional<PassiveReply> parsePassiveReply(std::string_view reply);

// The path of a 257 reply: `257 "path" ...`. A doubled quote inside the path stays as
// it is; the path ends before the first quote followed by a space or the end. Empty
// when the reply has no such form.
std::string parseCurrentDirReply(std::string_view reply);
// The size of a "213 12345" reply; none for anything but digits after the code.
std::optional<uint64_t> parseSizeReply(std::string_view reply);

}  // namespace tesselon
