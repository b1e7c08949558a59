#include "support/test_paths.h"

namespace tesselon::testing {

std::string sourceDir() { return TESSELON_SOURCE_DIR "/"; }
std::string testDataDir() { return sourceDir() + "tests/data/"; }
std::string binDir() { return TESSELON_BIN_DIR "/"; }

}  // namespace tesselon::testing
