// Where the tests find the project's sources, their data and the built programs.
#pragma once

#include <string>

namespace tesselon::testing {

std::string sourceDir();    // the repository, ending with "/"
std::string testDataDir();  // tests/data/, ending with "/"
std::string binDir();       // the build's bin/ folder (tesselon, tesselon-batch), ending with "/"

}  // namespace tesselon::testing
