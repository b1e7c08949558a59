// Which text goes on an image: the watermark, the image's phrase, or the default text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/records.h"
#include "runtime/text/packed_strings.h"

namespace tesselon {

// The watermark as drawn: every "|" becomes a line break.
std::string watermarkLines(std::string_view watermark);

// The phrase of the imageOrdinal-th image of a run (counting from 0, failed images
// included): the phrases are used in turn and start over after the last. 0 when there
// are no phrases. A preview, which processes a single image, always uses phrase 0.
size_t phraseIndexForImage(size_t imageOrdinal, size_t phraseCount);

// Characters of text drawn on one image; a longer text is cut there. Laying out text
// costs time and memory with its length, and a one-line file of megabytes would make
// every image take minutes and gigabytes.
constexpr size_t kMaxOverlayCharacters = 4096;

// The first kMaxOverlayCharacters characters (code points) of the text.
std::string capOverlayText(std::string_view text);

// Whether any text a batch with these settings draws is longer than the cap.
bool overlayTextCut(const Settings& settings, const PackedStrings& phrases, const std::string& defaultWatermark);

// The text drawn on an image: the watermark (with its line breaks) when
// SoloMarcadeAgua is set, else the phrase at phraseIndex (taken modulo the number of
// phrases) when there are phrases, else the default watermark text exactly as it is,
// its "|" included; cut to kMaxOverlayCharacters.
std::string textForEntry(const Settings& settings, const PackedStrings& phrases, const std::string& defaultWatermark,
                         size_t phraseIndex);

// The text of the sample shown when no image is listed: the watermark (with its line
// breaks) when SoloMarcadeAgua is 1, else the default watermark text as it is.
std::string sampleText(const Settings& settings, const std::string& defaultWatermark);

}  // namespace tesselon
