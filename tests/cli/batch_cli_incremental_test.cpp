// Nightly runs with --skip-unchanged: what a second run converts again, and why.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <map>
#include <string>

#include "cli/cli_test_support.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::CliRun;
using testing::readFile;
using testing::resultsUnder;
using testing::savedCount;
using testing::TempDir;
using testing::writeImages;

// A job over dir/in with its results in dir/out and its report in dir/report.json.
CliRun job(const TempDir& dir, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--source", dir.file("in"), "--dest", dir.file("out"), "--subfolders",
                                     "--skip-unchanged", "--report", dir.file("report.json")};
    args.insert(args.end(), extra.begin(), extra.end());
    return cli(args, dir);
}

// Each image's report entry, by source name.
std::map<std::string, const JsonObject*> entriesByPath(const JsonDocument& report) {
    std::map<std::string, const JsonObject*> entries;
    for (const JsonValue& entry : *report.root().asArray()) {
        const JsonObject* object = entry.asObject();
        const std::string path = *object->find("path")->asString();
        entries[path.substr(path.find("in/") + 3)] = object;
    }
    return entries;
}

void setModifiedTime(const std::string& path, time_t seconds) {
    const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

TEST(BatchCliIncremental, ASecondRunConvertsNothingAndSaysWhy) {
    TempDir dir;
    writeImages(dir, "in", 4);
    writeImages(dir, "in/deeper", 2);
    CliRun first = job(dir, {"--text", "Text Sample"});
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(savedCount(first.err), 6) << first.err;
    const auto results = resultsUnder(dir.file("out/"));
    ASSERT_EQ(results.size(), 6u);
    // The record is hidden, in the destination root only.
    struct stat info {};
    EXPECT_EQ(::stat(dir.file("out/.tesselon-manifest").c_str(), &info), 0);
    EXPECT_NE(::stat(dir.file("out/deeper/.tesselon-manifest").c_str(), &info), 0);
    EXPECT_NE(::stat(dir.file("out/.tesselon-manifest.journal").c_str(), &info), 0);

    CliRun second = job(dir, {"--text", "Text Sample"});
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_NE(second.err.find("0 of 6 images saved, 6 skipped (unchanged), 0 failed"), std::string::npos)
        << second.err;
    EXPECT_TRUE(resultsUnder(dir.file("out/")) == results);
    JsonParseResult parsed = parseJson(readFile(dir.file("report.json")));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
    const auto entries = entriesByPath(std::get<JsonDocument>(parsed));
    ASSERT_EQ(entries.size(), 6u);
    for (const auto& [path, entry] : entries) {
        EXPECT_EQ(*entry->find("reason")->asString(), "unchanged") << path;
        EXPECT_TRUE(*entry->find("skipped")->asBoolean()) << path;
        EXPECT_NE(entry->find("overlayText")->asString()->find("Text Sample"), std::string::npos) << path;
    }

    // A scan whose source is the destination never takes the record for an image.
    CliRun over = cli({"--source", dir.file("out"), "--dest", dir.file("again"), "--format", "png"}, dir);
    ASSERT_EQ(over.code, 0) << over.err;
    EXPECT_NE(over.err.find("6 of 6 images saved"), std::string::npos) << over.err;
}

TEST(BatchCliIncremental, OnlyTheSourceWhoseContentChangedIsConvertedAgain) {
    TempDir dir;
    writeImages(dir, "in", 5);
    ASSERT_EQ(job(dir).code, 0);
    const auto before = resultsUnder(dir.file("out/"));

    // Touched with the same bytes: read once to compare, not converted.
    setModifiedTime(dir.file("in/photo1.jpg"), 1700000000);
    CliRun touched = job(dir);
    ASSERT_EQ(touched.code, 0) << touched.err;
    EXPECT_EQ(savedCount(touched.err), 0) << touched.err;

    // Other bytes under the same size and time: the digest tells.
    std::string bytes = readFile(dir.file("in/photo1.jpg"));
    std::string other = readFile(dir.file("in/photo2.jpg"));
    other.resize(bytes.size(), '\0');
    dir.write("in/photo1.jpg", other);
    setModifiedTime(dir.file("in/photo1.jpg"), 1700000001);
    CliRun rewritten = job(dir);
    ASSERT_EQ(rewritten.code, 0) << rewritten.err;
    EXPECT_EQ(savedCount(rewritten.err), 1) << rewritten.err;
    const auto after = resultsUnder(dir.file("out/"));
    EXPECT_NE(after.at("photo1.jpg"), before.at("photo1.jpg"));
    EXPECT_EQ(after.at("photo3.jpg"), before.at("photo3.jpg"));

    // A new image, a result removed and a result edited by hand: those three only.
    writeImages(dir, "in/new", 1);
    ::unlink(dir.file("out/photo3.jpg").c_str());
    dir.write("out/photo4.jpg", "edited");
    CliRun third = job(dir);
    ASSERT_EQ(third.code, 0) << third.err;
    EXPECT_EQ(savedCount(third.err), 3) << third.err;
    EXPECT_TRUE(resultsUnder(dir.file("out/")).at("photo3.jpg") == before.at("photo3.jpg"));
    EXPECT_TRUE(resultsUnder(dir.file("out/")).at("photo4.jpg") == before.at("photo4.jpg"));
}

TEST(BatchCliIncremental, SettingsThatShapeTheResultConvertAllAndOthersNone) {
    TempDir dir;
    writeImages(dir, "in", 4);
    ASSERT_EQ(job(dir).code, 0);
    // How a run goes changes nothing of a result.
    for (std::vector<std::string> extra : {std::vector<std::string>{"--jobs", "3"}, {"--quiet"},
                                           {"--memory-limit", "64M"}}) {
        CliRun r = job(dir, extra);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(readFile(dir.file("report.json")).find("\"saved\":true"), std::string::npos) << extra.front();
    }
    dir.write("grey.cfg", "[ProcesosImage]\r\n{\"MarcaDeAgua\":1,\"EscalaGrises\":1}\r\n");
    dir.write("text.cfg", "[ProcesosTexto]\r\n{\"SoloMarcadeAgua\":1,\"TextoMarcaAgua\":\"Otra\"}\r\n");
    for (std::vector<std::string> extra : {std::vector<std::string>{"--quality", "90"}, {"--auto-orient"},
                                           {"--config", dir.file("grey.cfg")}, {"--config", dir.file("text.cfg")}}) {
        CliRun r = job(dir, extra);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(savedCount(r.err), 4) << extra.back() << r.err;
        CliRun again = job(dir, extra);
        EXPECT_EQ(savedCount(again.err), 0) << extra.back() << again.err;
    }
}

TEST(BatchCliIncremental, ADamagedOrForeignManifestCostsAConversionNotARun) {
    TempDir dir;
    writeImages(dir, "in", 3);
    ASSERT_EQ(job(dir).code, 0);
    std::string manifest = readFile(dir.file("out/.tesselon-manifest"));
    manifest[manifest.size() - 5] ^= 1;
    dir.write("out/.tesselon-manifest", manifest);
    CliRun damaged = job(dir);
    EXPECT_EQ(damaged.code, 0) << damaged.err;
    EXPECT_NE(damaged.err.find(".tesselon-manifest' in the destination is damaged"), std::string::npos)
        << damaged.err;
    EXPECT_EQ(savedCount(damaged.err), 3) << damaged.err;
    EXPECT_EQ(savedCount(job(dir).err), 0);

    dir.write("out/.tesselon-manifest", "tesselon-manifest\t99\tlater\n");
    CliRun foreign = job(dir);
    EXPECT_NE(foreign.err.find("written by another version"), std::string::npos) << foreign.err;
    EXPECT_EQ(savedCount(foreign.err), 3) << foreign.err;

    // A link planted at the record's name is replaced, never written through.
    const std::string target = dir.write("elsewhere.txt", "mine");
    ::unlink(dir.file("out/.tesselon-manifest").c_str());
    ASSERT_EQ(::symlink(target.c_str(), dir.file("out/.tesselon-manifest").c_str()), 0);
    CliRun linked = job(dir);
    EXPECT_EQ(linked.code, 0) << linked.err;
    EXPECT_EQ(readFile(target), "mine");
    EXPECT_EQ(savedCount(job(dir).err), 0);
}

TEST(BatchCliIncremental, RefusedWhereItWouldConvertItsOwnResults) {
    TempDir dir;
    writeImages(dir, "in", 1);
    CliRun r = cli({"--source", dir.file("in"), "--overwrite", "--yes", "--skip-unchanged"}, dir);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot be used with --overwrite"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tesselon
