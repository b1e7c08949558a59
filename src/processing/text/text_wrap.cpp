#include "processing/text/text_wrap.h"

namespace tesselon {

namespace {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        result.append(text, start, at - start);
        result.append(to);
        start = at + from.size();
    }
    result.append(text, start);
    return result;
}

void closeLine(std::string& line, std::vector<std::string>& lines) {
    const size_t end = line.find_last_not_of(' ');
    line.erase(end == std::string::npos ? 0 : end + 1);
    lines.push_back(std::move(line));
    line.clear();
}

void wrapParagraph(TextMeasurer& measurer, std::string_view paragraph, double limit,
                   std::vector<std::string>& lines) {
    if (paragraph.empty()) {
        lines.emplace_back();
        return;
    }
    size_t space = paragraph.find(' ');
    std::string line(paragraph.substr(0, space));
    line += ' ';
    while (space != std::string_view::npos) {
        const size_t start = space + 1;
        space = paragraph.find(' ', start);
        const std::string_view word = paragraph.substr(start, space == std::string_view::npos ? space : space - start);
        std::string candidate = line;
        candidate += word;
        if (measurer.width(candidate, kTextVisible) < limit) {
            line = std::move(candidate);
        } else {
            closeLine(line, lines);
            line = word;
        }
        line += ' ';
    }
    closeLine(line, lines);
}

}  // namespace

std::string normaliseLineBreaks(std::string_view text) {
    return replaceAll(replaceAll(replaceAll(text, "\n\r", "\n"), "\r\n", "\n"), "\r", "\n");
}

std::vector<std::string> wrapLines(TextMeasurer& measurer, std::string_view text, int imageWidth) {
    const double limit = double(imageWidth) - kWrapMargin;
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        wrapParagraph(measurer, text.substr(start, end == std::string_view::npos ? end : end - start), limit, lines);
        if (end == std::string_view::npos)
            return lines;
        start = end + 1;
    }
}

}  // namespace tesselon
