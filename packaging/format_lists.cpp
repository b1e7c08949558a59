// Fills the lists of formats into the manual pages and the shell completion when they
// are built, from the program's own table of formats, so that they always name what the
// programs read and write.
//
// Usage: format_lists TEMPLATE OUTPUT
// Placeholders in TEMPLATE:
//   @RESULT_VALUES@           original jpg png ...        (words, for the completion)
//   @RESULT_VALUES_SYNOPSIS@  original | jpg | png ...    (roff, inside .BR)
//   @RESULT_VALUES_PROSE@     .BR jpg ", " png " or " gif (a roff line)
//   @SOURCE_EXTENSIONS@       jpg jpeg png ...            (words, for the completion)
//   @SOURCE_LABELS@           JPG, PNG and GIF            (prose)
//   @RESULT_LABELS@           JPG, PNG or GIF             (prose)
//   @FORMAT_LIST@             one .TP paragraph per format (roff)
#include <cstdio>
#include <string>
#include <vector>

#include "roff_text.h"
#include "runtime/imaging/image_formats.h"

using namespace tesselon;

namespace {

std::string joined(const std::vector<std::string>& words, const std::string& separator, const std::string& last) {
    std::string text;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? last : separator;
        text += words[i];
    }
    return text;
}

std::vector<std::string> resultValues() {
    std::vector<std::string> values;
    for (const ImageFormat& f : imageFormats())
        if (!f.settingsValue.empty()) values.emplace_back(f.settingsValue);
    return values;
}

std::vector<std::string> sourceExtensions() {
    std::vector<std::string> extensions;
    for (const ImageFormat& f : imageFormats())
        if (f.decode)
            for (size_t i = 0; i < f.extensionCount(); ++i) extensions.emplace_back(f.extensions[i]);
    return extensions;
}

std::vector<std::string> labels(bool results) {
    std::vector<std::string> names;
    for (const ImageFormat& f : imageFormats())
        if (results ? !f.settingsValue.empty() : f.sourceChoice) names.emplace_back(f.label);
    return names;
}

std::string resultValuesProse() {
    std::string line = ".BR";
    const std::vector<std::string> values = resultValues();
    for (size_t i = 0; i < values.size(); ++i) {
        line += " " + values[i];
        if (i + 2 < values.size()) line += " \", \"";
        else if (i + 2 == values.size()) line += " \" or \"";
    }
    return line;
}

std::string formatParagraph(const ImageFormat& f) {
    std::vector<std::string> extensions;
    for (size_t i = 0; i < f.extensionCount(); ++i) extensions.push_back("." + std::string(f.extensions[i]));
    std::string text = ".TP\n.BR \"" + std::string(f.name) + "\" \" (" + joined(extensions, ", ", ", ") + ")\"\n";
    if (!f.settingsValue.empty()) {
        text += "Read, and written with\n.BR \"" + roffEscaped("--format") + " " + std::string(f.settingsValue) + "\" .\n";
    } else if (f.writesResults()) {
        text += "Read, and written when\n.B " + roffEscaped("--format") + " original\nkeeps it";
        if (!f.writtenAsWhenMissing.empty()) {
            const ImageFormat* instead = formatBySettingsValue(f.writtenAsWhenMissing);
            text += " (as " + std::string(instead ? instead->name : f.writtenAsWhenMissing) +
                    " where the system has no encoder for it)";
        }
        text += ".\n";
    } else {
        text += "Read; results are written as JPEG unless\n.B " + roffEscaped("--format") + "\nnames another format.\n";
    }
    if (f.writesResults()) {
        switch (f.alpha) {
        case AlphaKept::None: text += "Transparency is laid over white.\n"; break;
        case AlphaKept::FullyTransparent: text += "Only fully transparent pixels stay transparent.\n"; break;
        case AlphaKept::Full: text += "Transparency is kept.\n"; break;
        }
        std::vector<std::string> kept;
        if (f.metadata & kKeepsExif) kept.push_back("EXIF data");
        if (f.metadata & kKeepsIcc) kept.push_back("the ICC profile");
        text += kept.empty() ? "Results keep no metadata.\n"
                             : "With\n.B " + roffEscaped("--keep-metadata") + "\nresults keep " + joined(kept, ", ", " and ") +
                                   ".\n";
    }
    if (f.exifOrientation) text += ".B " + roffEscaped("--auto-orient") + "\nfollows the EXIF orientation.\n";
    if (f.decoderOrients) text += "The rotation and mirror the file declares are applied.\n";
    return text;
}

std::string formatList() {
    std::string text;
    for (const ImageFormat& f : imageFormats()) text += formatParagraph(f);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: format_lists TEMPLATE OUTPUT\n");
        return 2;
    }
    std::string text;
    if (!readTemplate("format_lists", argv[1], text)) return 1;
    std::vector<std::string> values = resultValues();
    values.insert(values.begin(), "original");
    replaceAll(text, "@RESULT_VALUES@", joined(values, " ", " "));
    replaceAll(text, "@RESULT_VALUES_SYNOPSIS@", joined(values, " | ", " | "));
    replaceAll(text, "@RESULT_VALUES_PROSE@", resultValuesProse());
    replaceAll(text, "@SOURCE_EXTENSIONS@", joined(sourceExtensions(), " ", " "));
    replaceAll(text, "@SOURCE_LABELS@", joined(labels(false), ", ", " and "));
    replaceAll(text, "@RESULT_LABELS@", joined(labels(true), ", ", " or "));
    replaceAll(text, "@FORMAT_LIST@", formatList());
    return writePage("format_lists", argv[2], text) ? 0 : 1;
}
