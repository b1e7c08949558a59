// Animated GIFs through tesselon-batch: no operation and no output format reaches an
// animation, so its file is copied as it is, and the run says so instead of passing the
// copy off as a conversion.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_test_support.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::readFile;
using testing::TempDir;

size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

const JsonObject* entryFor(const JsonArray& report, const std::string& path) {
    for (const JsonValue& item : report) {
        const JsonObject* members = item.asObject();
        if (members && members->find("path") && *members->find("path")->asString() == path) return members;
    }
    return nullptr;
}

TEST(BatchCliAnimatedGif, CopiedAnimationsAreSaidOnceAndCountedAsCopies) {
    TempDir dir;
    const std::string animation = readFile(testing::testDataDir() + "images/animated.gif");
    ASSERT_FALSE(animation.empty());
    dir.write("in/a.gif", animation);
    dir.write("in/sub/b.gif", animation);
    testing::writeImages(dir, "in", 1);
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":30,\"EscalaGrises\":1,\"MarcaDeAgua\":0}\r\n");

    const testing::CliRun r =
        cli({"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest", dir.file("out"), "--format",
             "original", "--extensions", "gif,jpg", "--subfolders", "--report", dir.file("report.json")},
            dir);
    EXPECT_EQ(r.code, 0) << r.err;
    // The animations are there byte for byte; the photo was converted.
    EXPECT_EQ(readFile(dir.file("out/a.gif")), animation);
    EXPECT_EQ(readFile(dir.file("out/sub/b.gif")), animation);
    EXPECT_FALSE(readFile(dir.file("out/photo0.jpg")).empty());

    EXPECT_EQ(occurrences(r.err, "copied unchanged, without the operations or the output format"), 1u) << r.err;
    EXPECT_NE(r.err.find("warning: 2 animated GIFs were copied unchanged, without the operations or the output "
                         "format (such as '"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("1 of 3 images saved, 2 copied unchanged, 0 failed"), std::string::npos) << r.err;

    const auto parsed = parseJson(readFile(dir.file("report.json")));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
    const JsonArray& report = *std::get<JsonDocument>(parsed).root().asArray();
    ASSERT_EQ(report.size(), 3u);
    for (const char* name : {"in/a.gif", "in/sub/b.gif"}) {
        const JsonObject* copied = entryFor(report, dir.file(name));
        ASSERT_NE(copied, nullptr) << name;
        ASSERT_NE(copied->find("copied"), nullptr) << name;
        EXPECT_TRUE(*copied->find("copied")->asBoolean());
        EXPECT_TRUE(*copied->find("saved")->asBoolean());
    }
    const JsonObject* photo = entryFor(report, dir.file("in/photo0.jpg"));
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->find("copied"), nullptr);
}

}  // namespace
}  // namespace tesselon
