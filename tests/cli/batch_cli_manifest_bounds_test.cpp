// The record of --skip-unchanged read as a destination may hold it: damaged, sparse,
// or grown far past any record of the job, under an address-space limit a user sets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "cli/cli_test_support.h"
#include "cli/measured_child.h"
#include "runtime/fs/file_system.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::readFile;
using testing::savedCount;
using testing::TempDir;
using testing::writeImages;

// Code, fonts and libraries besides the images (and under the sanitizers their shadow
// memory), over the memory limit given.
#ifdef __SANITIZE_ADDRESS__
constexpr long kRssSlackMiB = 700;
// AddressSanitizer's shadow memory alone needs terabytes of address space.
constexpr unsigned long long kAddressLimit = 0;
#else
constexpr long kRssSlackMiB = 150;
constexpr unsigned long long kAddressLimit = 4000000000ULL;
#endif

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(BatchCliManifestBounds, ASparseManifestOfGigabytesIsSetAsideAtOnceAndTheReportIsRewritten) {
    TempDir dir;
    writeImages(dir, "in", 3);
    const std::vector<std::string> job = {"--source", dir.file("in"), "--dest", dir.file("out"), "--skip-unchanged",
                                          "--memory-limit", "256M", "--report", dir.file("report.json")};
    ASSERT_EQ(cli(job, dir).code, 0);
    // The record as it stands, grown into a hole of 3.9 GiB behind its lines.
    const std::string manifest = dir.file("out/.tesselon-manifest");
    ASSERT_GT(fileSize(manifest), 0);
    ASSERT_EQ(::truncate(manifest.c_str(), off_t(3900) << 20), 0);
    dir.write("report.json", "the last run's report");

    const testing::MeasuredRun r = testing::runBatchChild(job, 300, kAddressLimit);
    ASSERT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;  // -1: ended by a signal
    EXPECT_TRUE(has(r.err, "'.tesselon-manifest' in the destination is damaged")) << r.err;
    EXPECT_LT(r.peakRssMiB, 256 + kRssSlackMiB);
    // Its images were converted again and the report says so.
    JsonParseResult parsed = parseJson(readFile(dir.file("report.json")));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed)) << readFile(dir.file("report.json")).substr(0, 80);
    const JsonArray& items = *std::get<JsonDocument>(parsed).root().asArray();
    ASSERT_EQ(items.size(), 3u);
    for (const JsonValue& item : items) EXPECT_TRUE(*item.asObject()->find("saved")->asBoolean());

    // The record was made anew, and serves the next run.
    EXPECT_LT(fileSize(manifest), 1 << 20);
    const testing::CliRun next = cli(job, dir);
    EXPECT_EQ(next.code, 0) << next.err;
    EXPECT_EQ(savedCount(next.err), 0) << next.err;
    EXPECT_FALSE(has(next.err, "damaged")) << next.err;
}

TEST(BatchCliManifestBounds, ARecordLineLongerThanAnyRecordIsDamageWithoutReadingOn) {
    TempDir dir;
    writeImages(dir, "in", 2);
    const std::vector<std::string> job = {"--source", dir.file("in"), "--dest", dir.file("out"), "--skip-unchanged"};
    ASSERT_EQ(cli(job, dir).code, 0);
    // A journal that no killed run could leave: its last line goes on for 40 MiB.
    dir.write("out/.tesselon-manifest.journal",
              readFile(dir.file("out/.tesselon-manifest")) + "R\t" + std::string(40 << 20, 'x'));
    const testing::CliRun r = cli(job, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(has(r.err, "'.tesselon-manifest.journal' in the destination is damaged")) << r.err;
    // The manifest itself still counts: nothing is converted again.
    EXPECT_EQ(savedCount(r.err), 0) << r.err;
}

}  // namespace
}  // namespace tesselon
