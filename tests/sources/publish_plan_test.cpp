// Where a result is published: beneath the publish folder at its source's path relative
// to the scanned folder, and never anywhere else, whatever names the sources carry.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "sources/publish/publish_plan.h"
#include "sources/publish/publish_results.h"

namespace tesselon {
namespace {

TEST(PublishPlan, AResultLandsAtItsSourcesPathBelowTheScannedFolder) {
    const PublishPath path =
        publishPathOf("/public_html/out/", "/public_html/uploads/", "/public_html/uploads/2020/06/a.jpg", "a.webp");
    EXPECT_EQ(path.problem, PublishNameProblem::None);
    EXPECT_EQ(path.remotePath, "/public_html/out/2020/06/a.webp");
    EXPECT_EQ(path.folder, "/public_html/out/2020/06");
    EXPECT_EQ(publishPathOf("out", "/srv/photos", "/srv/photos/a.jpg", "a.png").remotePath, "out/a.png");
    EXPECT_EQ(publishPathOf("/", "/", "/x/a.jpg", "a.png").remotePath, "/x/a.png");
}

TEST(PublishPlan, ASourceOutsideTheScannedFolderIsNotPublished) {
    EXPECT_EQ(publishPathOf("/out", "/srv/photos", "/srv/photosets/a.jpg", "a.png").problem,
              PublishNameProblem::NotBeneath);
    EXPECT_EQ(publishPathOf("/out", "/srv/photos", "/elsewhere/a.jpg", "a.png").problem, PublishNameProblem::NotBeneath);
}

TEST(PublishPlan, NamesThatWouldLeadElsewhereOrBreakACommandAreRefused) {
    EXPECT_EQ(publishPathOf("/out", "/in", "/in/../etc/a.jpg", "a.png").problem, PublishNameProblem::DotComponent);
    EXPECT_EQ(publishPathOf("/out/../etc", "/in", "/in/a.jpg", "a.png").problem, PublishNameProblem::DotComponent);
    EXPECT_EQ(publishPathOf("/out", "/in", "/in/a.jpg", "..").problem, PublishNameProblem::DotComponent);
    EXPECT_EQ(publishPathOf("/out", "/in", "/in/a.jpg", "x/a.png").problem, PublishNameProblem::SlashInName);
    EXPECT_EQ(publishPathOf("/out", "/in", "/in/a\r\nDELE x/b.jpg", "b.png").problem, PublishNameProblem::ControlByte);
    EXPECT_EQ(publishPathOf("/out", "/in", "/in/a.jpg", std::string("a\0b.png", 7)).problem,
              PublishNameProblem::ControlByte);
    EXPECT_EQ(publishPathOf("", "/in", "/in/a.jpg", "a.png").problem, PublishNameProblem::Empty);
    EXPECT_EQ(publishPathOf("/out", "/in", "/in/" + std::string(1200, 'x') + "/a.jpg", "a.png").problem,
              PublishNameProblem::TooLong);
    EXPECT_FALSE(publishFolderUsable("/a/../b"));
    EXPECT_FALSE(publishFolderUsable("/a\nb"));
    EXPECT_TRUE(publishFolderUsable("/public_html/img/"));
}

// Random names made of the bytes that matter: whatever comes out stays beneath the
// publish folder, holds no "." or ".." part and nothing a command line could not carry.
TEST(PublishPlan, NoSourceNameLeadsOutOfThePublishFolder) {
    std::mt19937 random(20261211);
    const std::string alphabet = std::string("./\\\r\n\0ab", 9);
    for (int round = 0; round < 20000; ++round) {
        std::string relative, name;
        for (int i = int(random() % 12); i > 0; --i) relative += alphabet[random() % alphabet.size()];
        for (int i = int(random() % 5); i > 0; --i) name += alphabet[random() % alphabet.size()];
        const PublishPath path = publishPathOf("/site/img", "/in", "/in/" + relative, name);
        if (path.problem != PublishNameProblem::None) {
            EXPECT_TRUE(path.remotePath.empty());
            continue;
        }
        ASSERT_EQ(path.remotePath.rfind("/site/img/", 0), 0u) << path.remotePath;
        for (char c : path.remotePath) ASSERT_TRUE(c != '\0' && c != '\r' && c != '\n') << path.remotePath;
        const std::string rest = path.remotePath.substr(9) + "/";
        ASSERT_EQ(rest.find("/../"), std::string::npos) << path.remotePath;
        ASSERT_EQ(rest.find("/./"), std::string::npos) << path.remotePath;
        ASSERT_EQ(rest.find("//"), std::string::npos) << path.remotePath;
    }
}

TEST(PublishPlan, TheFoldersOnTheWayComeTopDown) {
    EXPECT_EQ(foldersDownTo("/a/b/c"), (std::vector<std::string>{"/a", "/a/b", "/a/b/c"}));
    EXPECT_EQ(foldersDownTo("a/b"), (std::vector<std::string>{"a", "a/b"}));
    EXPECT_TRUE(foldersDownTo("/").empty());
}

TEST(PublishPlan, TheTemporaryIsHiddenInTheFinalFolderAndDiffersEachTime) {
    const std::string first = publishTemporaryFor("/site/img/2020/a.png");
    EXPECT_EQ(first.rfind("/site/img/2020/.a.png.", 0), 0u) << first;
    EXPECT_NE(first, publishTemporaryFor("/site/img/2020/a.png"));
    EXPECT_EQ(publishTemporaryFor("a.png").rfind(".a.png.", 0), 0u);
}

}  // namespace
}  // namespace tesselon
