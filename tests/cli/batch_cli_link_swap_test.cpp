// A destination subfolder swapped for a link to another folder while tesselon-batch
// runs: the results that were due there are failures, never files in the other folder.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "cli/cli_test_support.h"
#include "cli/measured_child.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::readFile;
using testing::TempDir;
namespace fs = std::filesystem;

TEST(BatchCliLinkSwap, ASubfolderSwappedForALinkMidRunFailsItsImagesInsteadOfWritingThrough) {
    constexpr int kImages = 200;
    TempDir dir;
    testing::writeImages(dir, "in/sub", kImages);
    // A file of the user's under a name the batch writes, in the folder the link leads to.
    const std::string victim = dir.write("other/photo150.jpg", "the user's own photo150.jpg");

    testing::MeasuredRun run;
    std::thread batch([&] {
        run = testing::runBatchChild({"--source", dir.file("in"), "--dest", dir.file("out"), "--subfolders",
                                      "--jobs", "1", "--quiet", "--report", dir.file("report.json")},
                                     120);
    });
    // As soon as the first result landed, out/sub becomes a link to the other folder.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(dir.file("out/sub/photo0.jpg")) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    // Exchanged in one step: renamed away first, the folder could be made again by the
    // batch before the link took its name.
    std::error_code linked;
    fs::create_directory_symlink(dir.file("other"), dir.file("out/sub.link"), linked);
    const int swapped = linked ? -1
                               : ::renameat2(AT_FDCWD, dir.file("out/sub.link").c_str(), AT_FDCWD,
                                             dir.file("out/sub").c_str(), RENAME_EXCHANGE);
    std::error_code moved;
    if (swapped == 0) fs::rename(dir.file("out/sub.link"), dir.file("out/sub.before"), moved);
    batch.join();
    ASSERT_FALSE(linked) << linked.message();
    ASSERT_EQ(swapped, 0) << std::strerror(errno);
    ASSERT_FALSE(moved) << moved.message();

    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(readFile(victim), "the user's own photo150.jpg");
    EXPECT_EQ(testing::filesUnder(dir.file("other/")).size(), 1u);

    // Every image is either saved, its result in the folder as it was before the swap,
    // or reported as not saved with the reason.
    const JsonParseResult parsed = parseJson(readFile(dir.file("report.json")));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
    const JsonArray& items = *std::get<JsonDocument>(parsed).root().asArray();
    ASSERT_EQ(items.size(), size_t(kImages));
    int saved = 0;
    for (const JsonValue& item : items) {
        const JsonObject& entry = *item.asObject();
        const std::string name = fs::path(*entry.find("path")->asString()).filename();
        if (*entry.find("saved")->asBoolean()) {
            ++saved;
            EXPECT_EQ(readFile(dir.file("out/sub.before/" + name)).substr(0, 2), "\xFF\xD8") << name;
        } else {
            EXPECT_EQ(*entry.find("reason")->asString(), "not written into '" + dir.file("out/sub/") +
                                                             "': a link or something other than a folder stands "
                                                             "in its way")
                << name;
            EXPECT_TRUE(run.err.find("not saved '" + dir.file("in/sub/" + name) + "'") != std::string::npos) << name;
        }
    }
    ASSERT_GE(saved, 1);
    ASSERT_LT(saved, kImages) << "the batch ended before the swap";
    EXPECT_EQ(testing::filesUnder(dir.file("out/sub.before/")).size(), size_t(saved));
}

}  // namespace
}  // namespace tesselon
