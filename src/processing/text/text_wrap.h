// Turning a text into the lines of a text block: line breaks unified, then each
// paragraph wrapped at spaces to the image width, judged by the ink the line would take.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/drawing/text_measurer.h"

namespace tesselon {

// A line is closed before a word that would bring its ink this close to the image width.
constexpr int kWrapMargin = 12;

// Every LF CR pair, then every CR LF pair, then every remaining CR becomes one LF, so
// each of the four line-end conventions counts as a single break.
std::string normaliseLineBreaks(std::string_view text);

// Splits a normalised text at LF into paragraphs and wraps each one at the measurer's
// current font. Words are separated by single spaces (two spaces in a row make an
// empty word); a line takes words while its ink stays narrower than
// imageWidth - kWrapMargin, but always at least one, however wide. Closed lines lose
// their trailing spaces; an empty paragraph is one empty line.
std::vector<std::string> wrapLines(TextMeasurer& measurer, std::string_view text, int imageWidth);

}  // namespace tesselon
