// Running tesselon-batch in-process and writing small source photos, for the CLI tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tesselon::testing {

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// runBatchCli with `programFolder` (or `dir`) as the program folder; stdout and
// stderr captured.
CliRun cli(const std::vector<std::string>& args, const std::string& programFolder);
inline CliRun cli(const std::vector<std::string>& args, const TempDir& dir) { return cli(args, dir.path()); }

// Runs a shell command (ImageMagick, exiv2, Debian's codec tools: independent of our
// code) and returns its standard output; a failing command fails the test.
std::string shell(const std::string& command);

// Writes `count` photos with distinct pixels, dir/<folder>/photo<i>.jpg.
void writeImages(const TempDir& dir, const std::string& folder, int count, int width = 96, int height = 64);

// The results below `folder` (ending with "/"), without the batch's own records.
std::map<std::string, std::string> resultsUnder(const std::string& folder);

// N of "N of M images saved" in a run's summary; -1 when there is none.
int savedCount(const std::string& err);

}  // namespace tesselon::testing
