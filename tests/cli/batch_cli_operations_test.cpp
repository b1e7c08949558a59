// The operations as switches of tesselon-batch: what they write, what a settings file
// written with them writes, and what they refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::TempDir;
using testing::cli;
using testing::readFile;
using testing::shell;

using Args = std::vector<std::string>;

Args joined(Args a, const Args& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// "WxH" of an image file, by ImageMagick.
std::string sizeOf(const std::string& file) { return shell("identify -format '%wx%h' '" + file + "[0]'"); }

// "R,G,B" of one pixel, by ImageMagick.
std::string pixelOf(const std::string& file, int x, int y) {
    return shell("convert '" + file + "' -format '%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) +
                 "}.r+0.5)],%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) +
                 "}.g+0.5)],%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) + "}.b+0.5)]' info:");
}

class BatchCliOperations : public ::testing::Test {
protected:
    BatchCliOperations() { testing::writeImages(dir, "src", 1, 96, 64); }

    // Converts the source into `dest` as PNG with the extra arguments; returns the result.
    std::string convert(const std::string& dest, const Args& extra) {
        const testing::CliRun run =
            cli(joined({"--source", dir.file("src"), "--dest", dir.file(dest), "--format", "png"}, extra), dir);
        EXPECT_EQ(run.code, 0) << run.err;
        return readFile(dir.file(dest + "/photo0.png"));
    }

    TempDir dir;
};

// A switch and the settings file that --save-config writes with it give the same
// bytes, and each of them changes the result.
TEST_F(BatchCliOperations, EachSwitchWritesWhatTheSameSettingInAFileWrites) {
    const std::string phrases = dir.write("phrases.txt", "Primera frase\r\nSegunda\r\n");
    const std::vector<Args> switches = {
        {"--grey"},
        {"--invert"},
        {"--mirror", "h"},
        {"--mirror", "v"},
        {"--contrast", "90"},
        {"--tint", "#704214:40"},
        {"--rotate", "30", "--background", "#ff0000"},
        {"--rotate", "-90"},
        {"--resize", "50x50!"},
        {"--resize", "48"},
        {"--text", "Hola|mundo"},
        {"--text", "Hola", "--position", "bottom-right", "--text-colour", "yellow", "--outline", "none",
         "--text-opacity", "60", "--font", "DejaVu Serif", "--text-size", "14"},
        {"--text", "Hola", "--rotate", "90", "--text-after-rotation"},
        {"--phrases", phrases},
    };
    const std::string plain = convert("plain", {});
    for (size_t i = 0; i < switches.size(); ++i) {
        const std::string name = std::to_string(i);
        const std::string bySwitch = convert("switch" + name, switches[i]);
        const std::string config = dir.file("job" + name + ".cfg");
        const testing::CliRun saved = cli(joined({"--save-config", config}, switches[i]), dir);
        ASSERT_EQ(saved.code, 0) << saved.err;
        const std::string byFile = convert("file" + name, {"--config", config});
        EXPECT_FALSE(bySwitch.empty()) << switches[i][0];
        EXPECT_NE(bySwitch, plain) << switches[i][0] << " changed nothing";
        EXPECT_TRUE(bySwitch == byFile) << switches[i][0] << " differs from its settings file";
    }
}

TEST_F(BatchCliOperations, ResizeFitsInsideTheBoxAndShrinksOnlyWhenAsked) {
    shell("mkdir -p '" + dir.file("box") + "' && convert -size 200x180 xc:'#336699' '" + dir.file("box/land.jpg") + "'");
    shell("convert -size 180x200 xc:'#996633' '" + dir.file("box/port.jpg") + "'");
    shell("convert -size 180x120 xc:'#669933' '" + dir.file("box/small.gif") + "'");
    const auto run = [&](const std::string& dest, const std::string& resize) {
        const testing::CliRun r = cli({"--source", dir.file("box"), "--dest", dir.file(dest), "--format", "png",
                                       "--extensions", "jpg,gif", "--resize", resize},
                                      dir);
        EXPECT_EQ(r.code, 0) << r.err;
        return std::vector<std::string>{sizeOf(dir.file(dest + "/land.png")), sizeOf(dir.file(dest + "/port.png")),
                                        sizeOf(dir.file(dest + "/small.png"))};
    };
    // Inside 120x90: the landscape image is bounded by the height, not given the width.
    EXPECT_EQ(run("fit", "120x90"), (std::vector<std::string>{"100x90", "81x90", "120x80"}));
    EXPECT_EQ(run("shrink", "1200x900>"), (std::vector<std::string>{"200x180", "180x200", "180x120"}));
    EXPECT_EQ(run("exact", "120x90!"), (std::vector<std::string>{"120x90", "120x90", "120x90"}));
    EXPECT_EQ(run("height", "x60"), (std::vector<std::string>{"67x60", "54x60", "90x60"}));
}

// 5% of the height is 5% of the height, on a small image and on a large photo alike.
TEST_F(BatchCliOperations, ARelativeTextSizeFollowsEachImagesHeight) {
    shell("mkdir -p '" + dir.file("sizes") + "' && convert -size 800x600 xc:white '" + dir.file("sizes/small.png") +
          "' && convert -size 5640x3172 xc:white '" + dir.file("sizes/large.png") + "'");
    const testing::CliRun r =
        cli({"--source", dir.file("sizes"), "--dest", dir.file("text"), "--format", "png", "--extensions", "png",
             "--text", "HH", "--text-size", "5%", "--position", "top-left", "--outline", "none", "--text-colour",
             "black"},
            dir);
    ASSERT_EQ(r.code, 0) << r.err;
    const auto inkShare = [&](const std::string& name, double height) {
        int w = 0, h = 0, x = 0, y = 0;
        const std::string box = shell("convert '" + dir.file("text/" + name) + "' -fuzz 40% -trim -format '%@' info:");
        EXPECT_EQ(std::sscanf(box.c_str(), "%dx%d+%d+%d", &w, &h, &x, &y), 4) << box;
        return double(h) / height;
    };
    const double small = inkShare("small.png", 600), large = inkShare("large.png", 3172);
    EXPECT_GT(small, 0.02);
    EXPECT_NEAR(small, large, 0.004);
}

TEST_F(BatchCliOperations, ColoursAreRedGreenBlueAndStoredInTheRecordsOrder) {
    convert("red", {"--rotate", "45", "--background", "#ff0000"});
    EXPECT_EQ(pixelOf(dir.file("red/photo0.png"), 0, 0), "255,0,0");
    convert("lime", {"--rotate", "45", "--background", "lime"});
    EXPECT_EQ(pixelOf(dir.file("lime/photo0.png"), 0, 0), "0,255,0");
    const testing::CliRun saved = cli({"--save-config", dir.file("red.cfg"), "--background", "#ff0000"}, dir);
    ASSERT_EQ(saved.code, 0) << saved.err;
    EXPECT_NE(readFile(dir.file("red.cfg")).find("\"ColorFondo\":255,"), std::string::npos)
        << readFile(dir.file("red.cfg"));
}

TEST_F(BatchCliOperations, ABadValueIsOneLineAndExitTwo) {
    const std::vector<Args> bad = {{"--background", "#ff00"},  {"--background", "reddish"}, {"--resize", "0x10"},
                                   {"--resize", "10x10x"},     {"--position", "upper"},     {"--text-size", "0%"},
                                   {"--tint", "red"},          {"--rotate", "ninety"},      {"--mirror", "d"},
                                   {"--text", "a", "--no-text"}};
    for (const Args& args : bad) {
        const testing::CliRun r = cli(joined({"--source", dir.file("src"), "--dest", dir.file("bad")}, args), dir);
        EXPECT_EQ(r.code, 2) << args[0] << " " << args[1];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("(try --help)\n"), std::string::npos) << r.err;
    }
}

// The desktop program starts from a sample watermark; a terminal job without a settings
// file draws no text unless asked, and says which settings it used.
TEST_F(BatchCliOperations, WithoutASettingsFileNoTextIsDrawnUnlessAsked) {
    const testing::CliRun builtIn =
        cli({"--source", dir.file("src"), "--dest", dir.file("builtin"), "--format", "png"}, dir);
    ASSERT_EQ(builtIn.code, 0) << builtIn.err;
    EXPECT_NE(builtIn.err.find("settings: built-in settings\n"), std::string::npos) << builtIn.err;
    EXPECT_NE(builtIn.err.find("results in " + dir.file("builtin/") + "\n"), std::string::npos) << builtIn.err;
    const std::string noText = convert("notext", {"--no-text"});
    EXPECT_TRUE(readFile(dir.file("builtin/photo0.png")) == noText);

    // --save-config alone writes the records' defaults, sample watermark and all.
    ASSERT_EQ(cli({"--save-config", dir.file("defaults.cfg")}, dir).code, 0);
    EXPECT_NE(readFile(dir.file("defaults.cfg")).find("\"MarcaDeAgua\":1,"), std::string::npos);
    const testing::CliRun fromFile = cli({"--config", dir.file("defaults.cfg"), "--source", dir.file("src"), "--dest",
                                          dir.file("sample"), "--format", "png"},
                                         dir);
    ASSERT_EQ(fromFile.code, 0) << fromFile.err;
    EXPECT_NE(fromFile.err.find("settings: " + dir.file("defaults.cfg") + "\n"), std::string::npos) << fromFile.err;
    EXPECT_FALSE(readFile(dir.file("sample/photo0.png")) == noText) << "the settings file's watermark is drawn";

    // With operation switches, the file written draws no text either.
    ASSERT_EQ(cli({"--save-config", dir.file("grey.cfg"), "--grey"}, dir).code, 0);
    EXPECT_NE(readFile(dir.file("grey.cfg")).find("\"MarcaDeAgua\":0,"), std::string::npos);
}

TEST_F(BatchCliOperations, JpegNamesTheJpgFormat) {
    const testing::CliRun r = cli({"--source", dir.file("src"), "--dest", dir.file("jpeg"), "--format", "jpeg"}, dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(readFile(dir.file("jpeg/photo0.jpg")).empty());
}

}  // namespace
}  // namespace tesselon
