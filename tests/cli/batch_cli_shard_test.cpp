// One job split with --shard K/N over several runs, and their reports joined.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "cli/cli_test_support.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/shard_share.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "runtime/process/program_run.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::CliRun;
using testing::readFile;
using testing::resultsUnder;
using testing::savedCount;
using testing::TempDir;
using testing::writeImages;

std::vector<std::string> paths(const std::string& reportText) {
    std::vector<std::string> out;
    JsonParseResult parsed = parseJson(reportText);
    if (!std::holds_alternative<JsonDocument>(parsed)) return {"not JSON"};
    for (const JsonValue& entry : *std::get<JsonDocument>(parsed).root().asArray())
        out.push_back(*entry.asObject()->find("path")->asString());
    return out;
}

TEST(BatchCliShard, SharesAreBalancedDisjointAndCoverTheList) {
    for (size_t total : {0u, 1u, 2u, 7u, 10u, 101u}) {
        for (size_t count : {1u, 2u, 3u, 4u, 16u}) {
            std::vector<std::string> savePaths;
            for (size_t i = 0; i < total; ++i) savePaths.push_back("out/" + std::to_string(i) + ".jpg");
            std::vector<int> owners(total, 0);
            size_t smallest = total, largest = 0;
            for (size_t k = 1; k <= count; ++k) {
                const std::vector<char> share = shardShare(resultNameKeepers(savePaths, savePaths), Shard{k, count});
                EXPECT_EQ(share, shardShare(resultNameKeepers(savePaths, savePaths), Shard{k, count}));
                const size_t size = size_t(std::count(share.begin(), share.end(), 1));
                smallest = std::min(smallest, size);
                largest = std::max(largest, size);
                for (size_t i = 0; i < total; ++i) owners[i] += share[i];
            }
            EXPECT_TRUE(std::all_of(owners.begin(), owners.end(), [](int n) { return n == 1; }))
                << total << " over " << count;
            EXPECT_LE(largest - smallest, 1u) << total << " over " << count;
        }
    }
    // Images with one output name go to one shard, the one of the image that keeps it.
    const std::vector<std::string> clash = {"a.jpg", "b.jpg", "a.jpg", "c.jpg"};
    const std::vector<std::string> sources = {"a.png", "b.jpg", "a.gif", "c.jpg"};
    for (size_t k = 1; k <= 4; ++k) {
        const std::vector<char> share = shardShare(resultNameKeepers(clash, sources), Shard{k, 4});
        EXPECT_EQ(share[0], share[2]);
        EXPECT_EQ(share[2], k == 1 ? 1 : 0);
    }
    for (const char* bad : {"0/3", "4/3", "3", "1/0", "-1/3", "1/3x", "a/b", "1/100001", ""})
        EXPECT_FALSE(parseShard(bad)) << bad;
}

TEST(BatchCliShard, ThreeShardsMakeTheWholeRunByteForByte) {
    TempDir dir;
    writeImages(dir, "in", 7);
    writeImages(dir, "in/deeper", 3);
    CliRun whole = cli({"--source", dir.file("in"), "--dest", dir.file("whole"), "--subfolders", "--report",
                        dir.file("whole.json")},
                       dir);
    ASSERT_EQ(whole.code, 0) << whole.err;

    std::set<std::string> seen;
    std::vector<std::string> reports;
    for (int k = 1; k <= 3; ++k) {
        const std::string shard = std::to_string(k) + "/3";
        const std::string out = dir.file("shard" + std::to_string(k) + "/");
        const std::string report = dir.file("report" + std::to_string(k) + ".json");
        CliRun r = cli({"--source", dir.file("in"), "--dest", out, "--subfolders", "--shard", shard, "--report", report},
                       dir);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("shard " + shard + ": "), std::string::npos) << r.err;
        const auto results = resultsUnder(out);
        EXPECT_GE(results.size(), 3u);
        EXPECT_LE(results.size(), 4u);
        EXPECT_EQ(paths(readFile(report)).size(), results.size());
        for (const auto& [name, bytes] : results) {
            EXPECT_TRUE(seen.insert(name).second) << name << " in two shards";
            EXPECT_EQ(bytes, readFile(dir.file("whole/" + name))) << name;
        }
        reports.push_back(report);
    }
    EXPECT_EQ(seen.size(), 10u);

    // The same share every time.
    CliRun again = cli({"--source", dir.file("in"), "--dest", dir.file("again/"), "--subfolders", "--shard", "2/3"}, dir);
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_TRUE(resultsUnder(dir.file("again/")) == resultsUnder(dir.file("shard2/")));

    // Joined in any order, the reports list what the whole run's lists, in its order.
    CliRun merged = cli({"--merge-reports", reports[2], reports[0], reports[1]}, dir);
    ASSERT_EQ(merged.code, 0) << merged.err;
    std::vector<std::string> wholePaths = paths(readFile(dir.file("whole.json")));
    EXPECT_EQ(paths(merged.out), wholePaths);
}

TEST(BatchCliShard, MergingTellsWhatIsMissingOrDoesNotBelong) {
    TempDir dir;
    writeImages(dir, "in", 4);
    std::vector<std::string> reports;
    for (int k = 1; k <= 2; ++k) {
        reports.push_back(dir.file("r" + std::to_string(k) + ".json"));
        ASSERT_EQ(cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--shard", std::to_string(k) + "/2",
                       "--report", reports.back()},
                      dir)
                      .code,
                  0);
    }
    CliRun missing = cli({"--merge-reports", reports[1]}, dir);
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("no report of shard 1/2 was given"), std::string::npos) << missing.err;
    EXPECT_EQ(paths(missing.out).size(), 2u);

    CliRun twice = cli({"--merge-reports", reports[0], reports[1], reports[0]}, dir);
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.err.find("the report of a shard given before"), std::string::npos) << twice.err;

    ASSERT_EQ(cli({"--source", dir.file("in"), "--dest", dir.file("o3"), "--shard", "1/3", "--report",
                   dir.file("third.json")},
                  dir)
                  .code,
              0);
    CliRun split = cli({"--merge-reports", reports[0], dir.file("third.json")}, dir);
    EXPECT_EQ(split.code, 2);
    EXPECT_NE(split.err.find("another split"), std::string::npos) << split.err;

    const std::string junk = dir.write("junk.json", "{\"not\": \"a report\"}");
    CliRun notReport = cli({"--merge-reports", reports[0], junk}, dir);
    EXPECT_EQ(notReport.code, 2);
    EXPECT_NE(notReport.err.find("is not a report"), std::string::npos) << notReport.err;
    EXPECT_TRUE(notReport.out.empty());

    CliRun none = cli({"--merge-reports", dir.file("absent.json")}, dir);
    EXPECT_EQ(none.code, 2);
    EXPECT_NE(none.err.find("cannot read report"), std::string::npos) << none.err;
    EXPECT_EQ(cli({"--shard", "4/3", "--source", dir.file("in"), "--dest", dir.file("x")}, dir).code, 2);
}

TEST(BatchCliShard, ShardsSkipWhatAnyShardAlreadyConverted) {
    TempDir dir;
    writeImages(dir, "in", 6);
    for (const char* shard : {"1/2", "2/2"})
        ASSERT_EQ(cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--shard", shard, "--skip-unchanged"}, dir)
                      .code,
                  0);
    // Split another way, or not at all, the results recorded by the others stand.
    CliRun third = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--shard", "2/3", "--skip-unchanged"}, dir);
    EXPECT_EQ(savedCount(third.err), 0) << third.err;
    CliRun whole = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--skip-unchanged"}, dir);
    EXPECT_EQ(savedCount(whole.err), 0) << whole.err;
    EXPECT_NE(whole.err.find("6 skipped (unchanged)"), std::string::npos) << whole.err;
}

TEST(BatchCliShard, ThreeShardsAtOnceWithGnuParallelIntoOneDestination) {
    TempDir dir;
    writeImages(dir, "in", 9, 320, 240);
    writeImages(dir, "in/deeper", 3, 320, 240);
    ASSERT_EQ(cli({"--source", dir.file("in"), "--dest", dir.file("whole"), "--report", dir.file("whole.json")}, dir)
                  .code,
              0);
    // The program under the sanitizers reports fontconfig's lifetime blocks unless told.
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};
    RunResult run = runProgramArguments({"parallel", "--will-cite", "--halt", "never", "-j", "3",
                                         testing::binDir() + "tesselon-batch", "--source", dir.file("in"), "--dest",
                                         dir.file("out"), "--skip-unchanged", "--quiet", "--shard", "{}/3", "--report",
                                         dir.file("report{}.json"), ":::", "1", "2", "3"},
                                        {}, kRunOpen | kRunReadError);
    ASSERT_TRUE(run.ok && run.run) << "GNU parallel is missing (scripts/packages.sh installs it)";
    std::string err(4096, '\0');
    err.resize(run.run->readError(err.data(), err.size()));
    ASSERT_EQ(run.run->exitCode(), 0) << err;

    EXPECT_TRUE(resultsUnder(dir.file("out/")) == resultsUnder(dir.file("whole/")));
    for (const char* part : {"1-of-3", "2-of-3", "3-of-3"})
        EXPECT_FALSE(readFile(dir.file(std::string("out/.tesselon-manifest-") + part)).empty()) << part;
    CliRun merged = cli({"--merge-reports", dir.file("report1.json"), dir.file("report2.json"),
                         dir.file("report3.json")},
                        dir);
    ASSERT_EQ(merged.code, 0) << merged.err;
    EXPECT_EQ(paths(merged.out), paths(readFile(dir.file("whole.json"))));
    // Together the three parts make the next whole run convert nothing.
    CliRun next = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--skip-unchanged"}, dir);
    EXPECT_NE(next.err.find("0 of 12 images saved, 12 skipped (unchanged)"), std::string::npos) << next.err;
}

}  // namespace
}  // namespace tesselon
