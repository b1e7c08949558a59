#include "processing/incremental/result_record.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace tesselon {

namespace {

// Raised whenever the meaning of a line changes, so older manifests are set aside.
constexpr const char* kFormat = "tesselon-manifest\t1\t0.3f";
constexpr size_t kFieldCount = 10;
constexpr size_t kCheckDigits = 16;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A size (never negative) or a time (before 1970 for an old file).
std::optional<int64_t> parseNumber(std::string_view text, bool signedValue) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || (value < 0 && !signedValue)) return std::nullopt;
    return value;
}

}  // namespace

// Names keep their exact bytes; only the bytes that would break a line are written as
// %XX: "%", the controls (tab and line feed among them) and DEL.
std::string escapeManifestName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    char escape[4];
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '%') {
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescapeManifestName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += char(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string manifestLineCheck(std::string_view body) { return hexOf(sha256Of(body)).substr(0, kCheckDigits); }

std::string manifestHeader() { return std::string(kFormat) + "\n"; }

std::string composeRecordLine(const ResultRecord& r) {
    std::string body = "R\t" + escapeManifestName(r.source) + "\t" + std::to_string(r.from.state.size) + "\t" +
                       std::to_string(r.from.state.modifiedNs) + "\t" + hexOf(r.from.digest) + "\t" +
                       hexOf(r.recipe) + "\t" + escapeManifestName(r.output) + "\t" + std::to_string(r.result.size) + "\t" +
                       std::to_string(r.result.modifiedNs);
    const std::string check = manifestLineCheck(body);
    return body + "\t" + check + "\n";
}

std::vector<std::string_view> tabFields(std::string_view line, size_t expected) {
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos || fields.size() > expected) break;
        start = tab + 1;
    }
    return fields;
}

std::optional<ResultRecord> parseRecordLine(std::string_view line) {
    const std::vector<std::string_view> fields = tabFields(line, kFieldCount);
    if (fields.size() != kFieldCount || fields[0] != "R") return std::nullopt;
    const size_t bodyLength = line.size() - fields.back().size() - 1;
    if (fields.back() != manifestLineCheck(line.substr(0, bodyLength))) return std::nullopt;

    ResultRecord r;
    const std::optional<std::string> source = unescapeManifestName(fields[1]);
    const std::optional<int64_t> sourceSize = parseNumber(fields[2], false);
    const std::optional<int64_t> sourceTime = parseNumber(fields[3], true);
    const std::optional<Sha256Digest> digest = digestFromHex(fields[4]);
    const std::optional<Sha256Digest> recipe = digestFromHex(fields[5]);
    const std::optional<std::string> output = unescapeManifestName(fields[6]);
    const std::optional<int64_t> resultSize = parseNumber(fields[7], false);
    const std::optional<int64_t> resultTime = parseNumber(fields[8], true);
    if (!source || source->empty() || !sourceSize || !sourceTime || !digest || !recipe || !output ||
        output->empty() || !resultSize || !resultTime)
        return std::nullopt;
    r.source = *source;
    r.from.state = {*sourceSize, *sourceTime};
    r.from.digest = *digest;
    r.recipe = *recipe;
    r.output = *output;
    r.result = {*resultSize, *resultTime};
    return r;
}

}  // namespace tesselon
