#include "runtime/fs/paths.h"

#include <gtest/gtest.h>

namespace tesselon {
namespace {

TEST(Paths, PathPartStopsAtTheLastSeparatorOrBar) {
    EXPECT_EQ(pathPart("/home/ana/fotos/a.jpg"), "/home/ana/fotos/");
    EXPECT_EQ(pathPart("C:\\fotos\\sub/a.jpg"), "C:\\fotos\\sub/");
    EXPECT_EQ(pathPart("/fotos/sub/"), "/fotos/sub/");
    EXPECT_EQ(pathPart("a.jpg"), "");
    EXPECT_EQ(pathPart(""), "");
    EXPECT_EQ(pathPart("/fotos/a.jpg|/otra/b.jpg"), "/fotos/a.jpg|/otra/");
    EXPECT_EQ(pathPart("/fotos/a.jpg|extra"), "/fotos/a.jpg|");
}

TEST(Paths, QuotesAreSkipped) {
    EXPECT_EQ(pathPart("\"/mis fotos/a b.jpg\" -v /x/y"), "/mis fotos/");
    EXPECT_EQ(filePart("\"/mis fotos/a b.jpg\" -v /x/y"), "a b.jpg");
    EXPECT_EQ(extensionPart("\"/mis fotos/a b.jpg\" -v /x/y.png"), "jpg");
    EXPECT_EQ(filePart("\"/sin/cierre.png"), "cierre.png");
    EXPECT_EQ(extensionPart("\"\""), "");
}

TEST(Paths, FilePartWithAndWithoutExtension) {
    EXPECT_EQ(filePart("/fotos/a.b.jpg"), "a.b.jpg");
    EXPECT_EQ(filePart("/fotos/a.b.jpg", kFilePartNoExtension), "a.b");
    EXPECT_EQ(filePart("C:\\fotos\\img.PNG", kFilePartNoExtension), "img");
    EXPECT_EQ(filePart("/fotos/", kFilePartWhole), "");
    EXPECT_EQ(filePart("/fotos/.cfg", kFilePartNoExtension), ".cfg");
    EXPECT_EQ(filePart("/fotos/archive.tar gz", kFilePartNoExtension), "archive.tar gz");
    EXPECT_EQ(filePart("/a.b/file", kFilePartNoExtension), "file");
    EXPECT_EQ(filePart("name.", kFilePartNoExtension), "name");
}

TEST(Paths, ExtensionScansBackFromTheEnd) {
    EXPECT_EQ(extensionPart("photo.JPG"), "JPG");
    EXPECT_EQ(extensionPart("/x/photo.jpg.bak"), "bak");
    EXPECT_EQ(extensionPart("archive.tar gz"), "");
    EXPECT_EQ(extensionPart("my photo.jpeg"), "jpeg");
    EXPECT_EQ(extensionPart(".cfg"), "");
    EXPECT_EQ(extensionPart("/home/ana/.cfg"), "");
    EXPECT_EQ(extensionPart("C:\\a\\.cfg"), "");
    EXPECT_EQ(extensionPart("C:\\a.b\\file"), "");
    EXPECT_EQ(extensionPart("/a.b/file"), "");
    EXPECT_EQ(extensionPart("name."), "");
    EXPECT_EQ(extensionPart("a..gif"), "gif");
    EXPECT_EQ(extensionPart(""), "");
}

}  // namespace
}  // namespace tesselon
