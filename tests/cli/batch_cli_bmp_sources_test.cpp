// BMP has an encoder of its own, for the image service's saves, but results are never
// written in it: a kept BMP source becomes a JPEG, and the help offers no BMP results.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/cli_test_support.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::shell;
using testing::TempDir;

TEST(BatchCliBmpSources, KeptFormatWritesThemAsJpeg) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("in"));
    // Written by ImageMagick, not by the program's own BMP encoder.
    shell("convert -size 48x32 gradient:'#c04010'-'#1050c0' 'BMP3:" + dir.file("in/scan.bmp") + "'");
    const testing::CliRun r = testing::cli(
        {"--source", dir.file("in"), "--dest", dir.file("out"), "--format", "original", "--extensions", "bmp"}, dir);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::map<std::string, std::string> results = testing::resultsUnder(dir.file("out/"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results.begin()->first, "scan.jpg");
    EXPECT_EQ(results.begin()->second.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(shell("identify -format '%m %wx%h' '" + dir.file("out/scan.jpg") + "'"), "JPEG 48x32");
}

TEST(BatchCliBmpSources, TheHelpOffersNoBmpResults) {
    const testing::CliRun r = testing::cli({"--help"}, TempDir().path());
    ASSERT_EQ(r.code, 0);
    // --format's choices and what --keep-metadata keeps name result formats only.
    const size_t format = r.out.find("[--format ");
    ASSERT_NE(format, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(format, r.out.find(']', format) - format).find("bmp"), std::string::npos) << r.out;
    const size_t kept = r.out.find("nothing: ");
    ASSERT_NE(kept, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(kept, r.out.find('\n', kept) - kept).find("BMP"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace tesselon
