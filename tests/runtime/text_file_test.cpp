#include "runtime/fs/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/restricted_folder.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::readFile;
using testing::TempDir;

// Every line of the file, read the way the program's readers loop.
std::vector<std::string> readAllLines(const std::string& path, TextEncoding encoding) {
    TextFile file = TextFile::openForReading(path, encoding);
    EXPECT_TRUE(file.isOpen());
    std::vector<std::string> lines;
    do {
        lines.push_back(file.readLine());
    } while (!file.eof() && lines.size() < 1000000);
    return lines;
}

std::string utf16le(std::string_view ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

using Lines = std::vector<std::string>;

TEST(TextFileReading, LineEndsInEveryEncoding) {
    TempDir dir;
    EXPECT_EQ(readAllLines(dir.write("u8", "a\r\nb\rc\nd"), TextEncoding::Utf8), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(readAllLines(dir.write("one", "a\r\nb\rc\nd"), TextEncoding::Ascii), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(readAllLines(dir.write("u16", utf16le("a\r\nb\rc\nd")), TextEncoding::Utf16LE),
              (Lines{"a", "b", "c", "d"}));
    // A CR followed by something other than LF leaves it for the next line, even a CR.
    EXPECT_EQ(readAllLines(dir.write("crcr", "a\r\r\nb\n\nc"), TextEncoding::Utf8), (Lines{"a", "", "b", "", "c"}));
    EXPECT_EQ(readAllLines(dir.write("crcr16", utf16le("a\r\r\nb\n\nc")), TextEncoding::Utf16LE),
              (Lines{"a", "", "b", "", "c"}));
}

TEST(TextFileReading, EndOfFileGivesEmptyLinesAndNoExtraLine) {
    TempDir dir;
    EXPECT_EQ(readAllLines(dir.write("empty", ""), TextEncoding::Utf8), (Lines{""}));
    EXPECT_EQ(readAllLines(dir.write("final", "x\r\ny\r\n"), TextEncoding::Utf8), (Lines{"x", "y"}));
    EXPECT_EQ(readAllLines(dir.write("finalcr", "x\r"), TextEncoding::Utf8), (Lines{"x"}));
    EXPECT_EQ(readAllLines(dir.write("final16", utf16le("x\r\n")), TextEncoding::Utf16LE), (Lines{"x"}));

    TextFile file = TextFile::openForReading(dir.file("final"));
    EXPECT_EQ(file.readLine(), "x");
    EXPECT_EQ(file.readLine(), "y");
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(file.readLine(), "");
    EXPECT_EQ(file.readLine(), "");
}

TEST(TextFileReading, ConvertsCharactersToUtf8) {
    TempDir dir;
    // Latin-1 bytes; UTF-8 passes through untouched, even when it is not valid.
    EXPECT_EQ(readAllLines(dir.write("latin", "Espa\xF1" "a\xFF"), TextEncoding::Ascii), (Lines{"España\u00FF"}));
    EXPECT_EQ(readAllLines(dir.write("raw", "Espa\xC3\xB1" "a \xFF"), TextEncoding::Utf8), (Lines{"España \xFF"}));
    // Any encoding the reader does not know reads as one byte per character.
    EXPECT_EQ(readAllLines(dir.file("latin"), TextEncoding::Utf32BE), (Lines{"España\u00FF"}));
    // UTF-16LE: a pair joins into one character, a lone surrogate stays a code unit,
    // and an odd last byte is dropped.
    const std::string units = std::string("\xF1\x00", 2) + std::string("\x3D\xD8\x00\xDE", 4) + std::string("\x00\xD8", 2) +
                              std::string("!\x00", 2) + "Z";
    EXPECT_EQ(readAllLines(dir.write("pairs", units), TextEncoding::Utf16LE), (Lines{"ñ😀\xED\xA0\x80!"}));
    // UTF-16BE: the same units with their bytes the other way round.
    std::string swapped = units.substr(0, units.size() - 1);
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    EXPECT_EQ(readAllLines(dir.write("pairsBE", swapped + std::string("\0\n\0b", 4)), TextEncoding::Utf16BE),
              (Lines{"ñ😀\xED\xA0\x80!", "b"}));
}

TEST(TextFileReading, LinesLongerThanTheBufferAndTerminatorsAcrossItsEdge) {
    TempDir dir;
    // CR as the buffer's last byte and LF as the next buffer's first must still be one
    // line end; the long lines around it must come back whole.
    for (size_t split : {65535u, 65536u, 65537u, 200000u}) {
        const std::string first(split, 'a');
        const std::string second(70000, 'b');
        const std::string path = dir.write("long" + std::to_string(split), first + "\r\n" + second + "\r\nz");
        EXPECT_EQ(readAllLines(path, TextEncoding::Utf8), (Lines{first, second, "z"})) << split;
    }
    const std::string wide(40000, 'w');
    const std::string path16 = dir.write("long16", utf16le(wide + "\r") + utf16le("\n" + wide + "\n"));
    EXPECT_EQ(readAllLines(path16, TextEncoding::Utf16LE), (Lines{wide, wide}));
}

TEST(TextFileReading, ByteOrderMarks) {
    TempDir dir;
    struct Case {
        std::string bytes;
        TextEncoding expected;
        std::string firstLine;  // read as one-byte text after detection
    };
    const std::vector<Case> cases = {
        {"\xEF\xBB\xBFok", TextEncoding::Utf8, "ok"},
        {"\xFF\xFEo", TextEncoding::Utf16LE, "o"},
        {"\xFE\xFFo", TextEncoding::Utf16BE, "o"},
        {std::string("\0\0\xFE\xFFo", 5), TextEncoding::Utf32BE, "o"},
        {"plain", TextEncoding::Ascii, "plain"},
        {"\xEF\xBB", TextEncoding::Ascii, "\u00EF\u00BB"},
        {std::string("\0\0\xFE", 3), TextEncoding::Ascii, std::string("\0\0\u00FE", 4)},
        {"", TextEncoding::Ascii, ""},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        TextFile file = TextFile::openForReading(dir.write("bom" + std::to_string(i), cases[i].bytes));
        EXPECT_EQ(file.detectEncoding(), cases[i].expected) << i;
        EXPECT_EQ(file.readLine(TextEncoding::Ascii), cases[i].firstLine) << i;
    }
    TextFile file = TextFile::openForReading(dir.write("u16bom", "\xFF\xFE" + utf16le("hi\r\nyo")));
    const TextEncoding found = file.detectEncoding();
    EXPECT_EQ(file.readLine(found), "hi");
    EXPECT_EQ(file.readLine(found), "yo");
    EXPECT_TRUE(file.eof());
}

TEST(TextFileWriting, EncodesLinesWithCrLfAndNoMark) {
    TempDir dir;
    struct Case {
        TextEncoding encoding;
        std::string second;  // written as the second line, beyond one byte for all
        int64_t firstLineBytes;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {TextEncoding::Utf8, "😀", 4, "\xC3\xB1\r\n\xF0\x9F\x98\x80\r\n"},
        {TextEncoding::Ascii, "€", 3, "\xF1\r\n?\r\n"},
        {TextEncoding::Utf16LE, "😀", 6, std::string("\xF1\0\r\0\n\0\x3D\xD8\x00\xDE\r\0\n\0", 14)},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("w" + std::to_string(int(c.encoding)));
        TextFile file = TextFile::create(path, c.encoding);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(file.writeLine("ñ"), c.firstLineBytes);
        file.writeLine(c.second);
        EXPECT_TRUE(file.close());
        EXPECT_EQ(readFile(path), c.bytes);
    }
    // The encoding given to one call overrides the file's.
    TextFile mixed = TextFile::create(dir.file("mixed"));
    mixed.writeLine("ñ", TextEncoding::Ascii);
    mixed.writeLine("ñ");
    EXPECT_TRUE(mixed.close());
    EXPECT_EQ(readFile(dir.file("mixed")), "\xF1\r\n\xC3\xB1\r\n");
}

TEST(TextFileWriting, CreateReplacesContentAndRefusesFolders) {
    TempDir dir;
    const std::string path = dir.write("old", "old content that is longer");
    TextFile file = TextFile::create(path);
    EXPECT_EQ(file.writeLine("new"), 5);
    EXPECT_TRUE(file.close());
    EXPECT_EQ(readFile(path), "new\r\n");
    EXPECT_FALSE(TextFile::create(dir.path()).isOpen());
    EXPECT_FALSE(TextFile::openForReading(dir.path()).isOpen());
    EXPECT_FALSE(TextFile::openForReading(dir.file("missing")).isOpen());
    EXPECT_TRUE(TextFile::openForReading(dir.file("missing")).eof());
}

TEST(TextFileWriting, WriteErrorsAreReported) {
    TempDir dir;
    testing::RestrictedFolder full(dir.file("full"), testing::RestrictedFolder::Kind::Full);
    TextFile file = TextFile::create(full.path() + "/out.txt");
    ASSERT_TRUE(file.isOpen());
    if (!full.engage()) GTEST_SKIP() << "no way to fill a disk here";
    bool sawFailure = false;
    for (int i = 0; i < 20000 && !sawFailure; ++i) sawFailure = file.writeLine(std::string(100, 'x')) == -1;
    EXPECT_TRUE(sawFailure);
    EXPECT_EQ(file.writeLine("later"), -1);
    EXPECT_FALSE(file.close());
}

TEST(TextFileWriting, FailedFinalFlushMakesCloseFail) {
    TempDir dir;
    testing::RestrictedFolder full(dir.file("full"), testing::RestrictedFolder::Kind::Full);
    TextFile file = TextFile::create(full.path() + "/out.txt");
    ASSERT_TRUE(file.isOpen());
    if (!full.engage()) GTEST_SKIP() << "no way to fill a disk here";
    // Fits the buffer, so only the flush at close can notice the full disk.
    for (int i = 0; i < 600; ++i) EXPECT_EQ(file.writeLine(std::string(100, 'x')), 102);
    EXPECT_FALSE(file.close());
}

}  // namespace
}  // namespace tesselon
