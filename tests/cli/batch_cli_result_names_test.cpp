// Results of one run never replace each other, and the report names each file as it
// is written: images whose output names meet, in a whole run, in shards and in nightly
// runs, and output formats that change the extension.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "cli/cli_test_support.h"
#include "engine/program_setup.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::CliRun;
using testing::readFile;
using testing::resultsUnder;
using testing::TempDir;
namespace fs = std::filesystem;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A picture of `width` x 40 whose pixels follow `seed`, in the format of the name.
void writePicture(const TempDir& dir, const std::string& name, int width, int seed) {
    ImageObject image = *createImage(width, 40, 24, uint32_t(0x203040 * seed));
    for (size_t b = 0; b < image.pixels.size(); b += 5) image.pixels[b] = uint8_t(b * seed);
    const bool png = name.size() > 4 && name.substr(name.size() - 4) == ".png";
    ASSERT_TRUE(saveImage(image, dir.write(name, ""), *formatByExtension(png ? "png" : "jpg"),
                          {EncodeQuality::ofLevel(8)}))
        << name;
}

// The report's entries by the source's name (the part after "in/").
std::map<std::string, JsonObject> reportOf(const std::string& file) {
    std::map<std::string, JsonObject> entries;
    JsonParseResult parsed = parseJson(readFile(file));
    if (!std::holds_alternative<JsonDocument>(parsed)) return entries;
    for (const JsonValue& entry : *std::get<JsonDocument>(parsed).root().asArray()) {
        const std::string path = *entry.asObject()->find("path")->asString();
        entries.emplace(path.substr(path.find("in/") + 3), *entry.asObject());
    }
    return entries;
}

std::string text(const JsonObject& entry, const char* key) {
    const JsonValue* value = entry.find(key);
    return value && value->asString() ? *value->asString() : std::string("<none>");
}

bool saved(const JsonObject& entry) { return *entry.find("saved")->asBoolean(); }

TEST(BatchCliResultNames, TheLaterOfTwoSourcesWithOneResultNameFailsByNameAndNothingIsLost) {
    TempDir dir;
    writePicture(dir, "in/pic.jpg", 60, 1);
    writePicture(dir, "in/pic.png", 90, 2);
    const std::string png = readFile(dir.file("in/pic.png"));
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--extensions", "jpg,png", "--format",
                    "webp", "--report", dir.file("report.json")},
                   dir);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(has(r.err, "failed '" + dir.file("in/pic.png") + "': not written: its result '" +
                               dir.file("out/pic.webp") + "' is the result of '" + dir.file("in/pic.jpg") + "'"))
        << r.err;
    EXPECT_TRUE(has(r.err, "1 of 2 images saved, 1 failed")) << r.err;

    // The one result is the first source's, exactly as a run of it alone makes it.
    ASSERT_EQ(cli({"--source", dir.file("in"), "--dest", dir.file("alone"), "--extensions", "jpg", "--format", "webp"},
                  dir)
                  .code,
              0);
    const auto results = resultsUnder(dir.file("out/"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results.begin()->first, "pic.webp");
    EXPECT_TRUE(readFile(dir.file("out/pic.webp")) == readFile(dir.file("alone/pic.webp")));
    EXPECT_TRUE(readFile(dir.file("in/pic.png")) == png);

    const auto report = reportOf(dir.file("report.json"));
    ASSERT_EQ(report.size(), 2u);
    EXPECT_TRUE(saved(report.at("pic.jpg")));
    EXPECT_FALSE(saved(report.at("pic.png")));
    EXPECT_EQ(text(report.at("pic.png"), "sameOutputAs"), dir.file("in/pic.jpg"));
    EXPECT_TRUE(has(text(report.at("pic.png"), "reason"), dir.file("in/pic.jpg"))) << text(report.at("pic.png"), "reason");
    EXPECT_EQ(text(report.at("pic.jpg"), "sameOutputAs"), "<none>");
    for (const auto& [name, entry] : report) EXPECT_EQ(text(entry, "outputPath"), dir.file("out/pic.webp")) << name;

    // The next run into the same destination keeps it so: no later run's image replaces it.
    CliRun again = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--extensions", "jpg,png", "--format",
                        "webp"},
                       dir);
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(readFile(dir.file("out/pic.webp")) == readFile(dir.file("alone/pic.webp")));
}

TEST(BatchCliResultNames, TheSourceThatBearsTheResultsNameKeepsItWhereverItStandsInTheList) {
    TempDir dir;
    writePicture(dir, "in/pic.jpeg", 60, 1);  // first in list order
    writePicture(dir, "in/pic.jpg", 90, 2);
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--format", "jpg", "--report",
                    dir.file("report.json")},
                   dir);
    EXPECT_EQ(r.code, 1) << r.err;
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    const std::optional<ImageObject> result = loadImage(dir.file("out/pic.jpg"), codecs);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->width, 90);
    const auto report = reportOf(dir.file("report.json"));
    ASSERT_EQ(report.size(), 2u);
    EXPECT_FALSE(saved(report.at("pic.jpeg")));
    EXPECT_EQ(text(report.at("pic.jpeg"), "sameOutputAs"), dir.file("in/pic.jpg"));
    EXPECT_TRUE(saved(report.at("pic.jpg")));
}

TEST(BatchCliResultNames, ShardsAndNightlyRunsKeepTheResultAWholeRunKeeps) {
    TempDir dir;
    // With two shards b.jpg falls in the first block and b.png in the second.
    int seed = 1;
    for (const char* name : {"in/a.jpg", "in/b.jpg", "in/b.png", "in/c.jpg", "in/d.jpg"})
        writePicture(dir, name, 50 + 10 * seed, seed), ++seed;
    const std::vector<std::string> job = {"--source", dir.file("in"), "--extensions", "jpg,png", "--format", "webp"};
    auto run = [&](const std::string& dest, std::vector<std::string> extra) {
        std::vector<std::string> args = job;
        args.insert(args.end(), {"--dest", dest});
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args, dir);
    };
    EXPECT_EQ(run(dir.file("whole"), {}).code, 1);
    const auto whole = resultsUnder(dir.file("whole/"));
    EXPECT_EQ(whole.size(), 4u);

    std::map<std::string, int> reported;  // how many shard reports name each image
    for (const char* shard : {"1/2", "2/2"}) {
        const std::string report = dir.file(std::string("shard-") + shard[0] + ".json");
        CliRun r = run(dir.file("shards"), {"--shard", shard, "--skip-unchanged", "--report", report});
        // The first shard holds b.jpg, so it names b.png and fails; the second converts its own.
        EXPECT_EQ(r.code, shard[0] == '1' ? 1 : 0) << shard << r.err;
        for (const auto& [name, entry] : reportOf(report)) {
            ++reported[name];
            if (name == "b.png") {
                EXPECT_EQ(shard[0], '1');
                EXPECT_EQ(text(entry, "sameOutputAs"), dir.file("in/b.jpg"));
            }
        }
    }
    EXPECT_EQ(reported, (std::map<std::string, int>{{"a.jpg", 1}, {"b.jpg", 1}, {"b.png", 1}, {"c.jpg", 1}, {"d.jpg", 1}}));
    EXPECT_TRUE(resultsUnder(dir.file("shards/")) == whole);

    // A whole run after the shards skips every result they left and still names b.png.
    CliRun nightly = run(dir.file("shards"), {"--skip-unchanged", "--report", dir.file("nightly.json")});
    EXPECT_EQ(nightly.code, 1) << nightly.err;
    EXPECT_TRUE(has(nightly.err, "0 of 5 images saved, 4 skipped (unchanged), 1 failed")) << nightly.err;
    EXPECT_TRUE(resultsUnder(dir.file("shards/")) == whole);
    EXPECT_EQ(text(reportOf(dir.file("nightly.json")).at("b.png"), "sameOutputAs"), dir.file("in/b.jpg"));
}

TEST(BatchCliResultNames, EveryReportNamesTheFileWrittenInTheOutputFormat) {
    TempDir dir;
    writePicture(dir, "in/one.jpg", 60, 1);
    writePicture(dir, "in/sub/two.jpg", 70, 2);
    dir.write("in/broken.jpg", "\xFF\xD8\xFF not a picture");
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--subfolders", "--format", "webp",
                    "--report", dir.file("report.json")},
                   dir);
    EXPECT_EQ(r.code, 1) << r.err;
    const auto report = reportOf(dir.file("report.json"));
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(text(report.at("one.jpg"), "outputPath"), dir.file("out/one.webp"));
    EXPECT_EQ(text(report.at("sub/two.jpg"), "outputPath"), dir.file("out/sub/two.webp"));
    // A failed image names the file it would have been written to.
    EXPECT_FALSE(saved(report.at("broken.jpg")));
    EXPECT_EQ(text(report.at("broken.jpg"), "outputPath"), dir.file("out/broken.webp"));
    for (const char* written : {"one.jpg", "sub/two.jpg"})
        EXPECT_GT(fileSize(text(report.at(written), "outputPath")), 0) << written;

    // Each shard's report too.
    for (const char* shard : {"1/2", "2/2"}) {
        const std::string file = dir.file(std::string("shard-") + shard[0] + ".json");
        cli({"--source", dir.file("in"), "--dest", dir.file("sharded"), "--subfolders", "--format", "png", "--shard",
             shard, "--report", file},
            dir);
        const auto part = reportOf(file);
        EXPECT_FALSE(part.empty()) << shard;
        for (const auto& [name, entry] : part) {
            const std::string output = text(entry, "outputPath");
            EXPECT_EQ(output, dir.file("sharded/" + name.substr(0, name.size() - 3) + "png")) << name;
            if (saved(entry)) {
                EXPECT_GT(fileSize(output), 0) << name;
            }
        }
    }

    // A run refused before it began names them as well.
    CliRun refused = cli({"--source", dir.file("in"), "--dest", dir.file("in"), "--format", "png", "--report",
                          dir.file("refused.json")},
                         dir);
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(text(reportOf(dir.file("refused.json")).at("one.jpg"), "outputPath"), dir.file("in/one.png"));
}

}  // namespace
}  // namespace tesselon
