#include <gtest/gtest.h>

#include "update/update_check/build_stamp.h"
#include "update/update_check/version_file.h"

namespace tesselon::testing {
namespace {

TEST(VersionFile, LineBreaksOfAnyKindGiveTheSameLines) {
    const std::string lf = "VERSION#2099#tesselon#https://h/f#\nx#x#plugin.so#https://h/g/#plugins#ABCDEF";
    const std::string messy = "VERSION#2099#tesselon#https://h/f#\r\n\r\n\rx#x#plugin.so#https://h/g/#plugins#ABCDEF\r\n\r\n";
    for (const std::string& text : {lf, messy}) {
        const VersionFile file = parseVersionFile(text, kLocalBuildStamp);
        EXPECT_EQ(file.onlineStamp, "2099");
        ASSERT_EQ(file.lines.size(), 2u);
        EXPECT_EQ(file.lines[0].name, "tesselon");
        // A URL folder without its final "/" gets one.
        EXPECT_EQ(file.lines[0].url(), "https://h/f/tesselon");
        EXPECT_EQ(file.lines[0].sha256, "");
        EXPECT_EQ(file.lines[1].url(), "https://h/g/plugin.so");
        EXPECT_EQ(file.lines[1].subfolder, "plugins");
        EXPECT_EQ(file.lines[1].sha256, "abcdef");
    }
}

TEST(VersionFile, OnlyAFirstLineStartingWithVersionOffersABuild) {
    const std::string local = kLocalBuildStamp;
    const VersionFile same = parseVersionFile("VERSION#" + local + "#t#https://h/", local);
    EXPECT_FALSE(isNewerBuild(same.onlineStamp, local));
    const VersionFile newer = parseVersionFile("VERSION# " + std::to_string(std::stoll(local) + 1) + " #t#https://h/", local);
    EXPECT_TRUE(isNewerBuild(newer.onlineStamp, local));

    for (const char* page : {"<html><body><h1>Error 404 Not Found</h1></body></html>", "Version#2099#t#u", ""}) {
        const VersionFile file = parseVersionFile(page, local);
        EXPECT_EQ(file.onlineStamp, local) << page;
        EXPECT_TRUE(file.lines.empty()) << page;
    }
    EXPECT_FALSE(isNewerBuild("soon", local));
}

TEST(VersionFile, FilesStayInsideTheProgramFolder) {
    const std::string folder = "/opt/tesselon/";
    UpdateFileLine line{"plugin.so", "https://h/", "plugins", ""};
    EXPECT_EQ(localPathFor(folder, line), "/opt/tesselon/plugins/plugin.so");
    line.subfolder = "\\plugins\\";
    EXPECT_EQ(localPathFor(folder, line), "/opt/tesselon/plugins/plugin.so");
    line.subfolder = "";
    EXPECT_EQ(localPathFor(folder, line), "/opt/tesselon/plugin.so");
    for (const char* subfolder : {"..", "plugins/../..", "/../etc"}) {
        line.subfolder = subfolder;
        EXPECT_EQ(localPathFor(folder, line), std::nullopt) << subfolder;
    }
    line.subfolder = "";
    for (const char* name : {"", "..", "../.bashrc", "a/b", "a\\b"}) {
        line.name = name;
        EXPECT_EQ(localPathFor(folder, line), std::nullopt) << name;
    }
}

}  // namespace
}  // namespace tesselon::testing
