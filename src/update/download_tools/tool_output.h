// What the downloaders' output says about a download. Each function looks at one
// chunk of output as read from the tool (at most 4096 bytes, trimmed of spaces).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesselon {

// wget's progress: the percentage the chunk's last "% " closes, as text ("100%"), or
// empty when the chunk holds no "% ".
std::string wgetPercentage(std::string_view chunk);

// wget's closing line: true when the chunk reports `localPath` saved with as many
// bytes as the answer announced ("'<path>' saved [1234/1234]"). The quotes may be
// ASCII apostrophes or the typographic ones wget uses under a UTF-8 locale.
bool wgetReportsSaved(std::string_view chunk, std::string_view localPath);

// xh --headers: the value of a "content-length:" header in the chunk (any case).
std::optional<int64_t> xhContentLength(std::string_view chunk);

// The Content-Length of an answer's raw header lines; -1 when there is none. After
// redirects the lines of every answer are there, and the last one's size counts.
int64_t contentLengthOfHeaders(std::string_view headers);

}  // namespace tesselon
