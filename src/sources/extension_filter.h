// Which file names a scan takes, judged by their extension.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/text/ascii_text.h"

namespace tesselon {

// Built once from a "|"-separated list of extension names without dots ("jpg|jpeg|png").
// An empty list or exactly "*.*" takes every file; otherwise a file is taken when its
// extension (the text after the last "." of the name, none when a space comes first
// or the dot starts the name), lower-cased and trimmed of spaces, equals one of the
// names, lower-cased. A name without extension is never taken then.
class ExtensionFilter {
public:
    explicit ExtensionFilter(std::string_view extensionList);

    bool accepts(std::string_view fileName) const;

private:
    bool acceptsAll_ = false;
    std::vector<std::string> names_;
};

}  // namespace tesselon
