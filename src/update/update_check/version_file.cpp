#include "update/update_check/version_file.h"

#include <algorithm>

#include "runtime/text/ascii_text.h"

namespace tesselon {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

std::string_view fieldOf(const std::vector<std::string_view>& fields, size_t n) {
    return n <= fields.size() ? fields[n - 1] : std::string_view();
}

UpdateFileLine lineOf(std::string_view text) {
    const std::vector<std::string_view> fields = split(text, '#');
    UpdateFileLine line;
    line.name = std::string(trimSpaces(fieldOf(fields, 3)));
    line.urlFolder = std::string(trimSpaces(fieldOf(fields, 4)));
    if (!line.urlFolder.ends_with('/')) line.urlFolder += '/';
    line.subfolder = std::string(trimSpaces(fieldOf(fields, 5)));
    line.sha256 = asciiLower(trimSpaces(fieldOf(fields, 6)));
    return line;
}

bool isDotName(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

std::string normaliseVersionText(std::string_view text) {
    // CR LF, LF and CR all become one CR, and a run of them (blank lines) a single one.
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n') c = '\r';
        if (c == '\r' && !out.empty() && out.back() == '\r') continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '\r') out.pop_back();
    return std::string(trimSpaces(out));
}

VersionFile parseVersionFile(std::string_view text, std::string_view localStamp) {
    const std::string normal = normaliseVersionText(text);
    VersionFile file;
    file.onlineStamp = std::string(localStamp);
    const std::vector<std::string_view> lines = split(normal, '\r');
    const std::vector<std::string_view> first = split(lines.front(), '#');
    if (first.front() != "VERSION") return file;
    file.onlineStamp = std::string(trimSpaces(fieldOf(first, 2)));
    for (std::string_view line : lines) file.lines.push_back(lineOf(line));
    return file;
}

bool isNewerBuild(std::string_view onlineStamp, std::string_view localStamp) {
    return leadingNumber(onlineStamp).value_or(0) > leadingNumber(localStamp).value_or(0);
}

std::optional<std::string> localPathFor(const std::string& programFolder, const UpdateFileLine& line) {
    if (line.name.empty() || isDotName(line.name) || line.name.find_first_of("/\\") != std::string::npos)
        return std::nullopt;
    std::string subfolder = line.subfolder;
    std::replace(subfolder.begin(), subfolder.end(), '\\', '/');
    std::string path = programFolder;
    for (std::string_view part : split(subfolder, '/')) {
        if (part.empty()) continue;
        if (isDotName(part)) return std::nullopt;
        path += std::string(part) + "/";
    }
    return path + line.name;
}

}  // namespace tesselon
