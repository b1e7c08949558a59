#include <gtest/gtest.h>

#include "remote/ftp_protocol_text.h"
#include "remote/ftp_reply_reader.h"

namespace tesselon {
namespace {

TEST(FtpCommandLine, RefusesLineBreaksNulAndOverlongLinesInsteadOfCuttingThem) {
    EXPECT_EQ(commandLine("CWD ", "fotos 2024"), "CWD fotos 2024\r\n");
    EXPECT_EQ(commandLine("USER ", "ana\r\nDELE x"), std::nullopt);
    EXPECT_EQ(commandLine("PASS ", "pw\n"), std::nullopt);
    EXPECT_EQ(commandLine("RETR ", std::string_view("a\0b", 3)), std::nullopt);
    EXPECT_TRUE(commandLine("RETR ", std::string(kMaxCommandLine - 7, 'x')));
    EXPECT_EQ(commandLine("RETR ", std::string(kMaxCommandLine - 6, 'x')), std::nullopt);
}

TEST(FtpPassiveReply, NeedsSixNumbersOfAByteEach) {
    const auto parsed = parsePassiveReply("227 Entering Passive Mode (192,168,1,20,19,137)");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->host[0], 192);
    EXPECT_EQ(parsed->host[3], 20);
    EXPECT_EQ(parsed->port, 5001);
    EXPECT_FALSE(parsePassiveReply("227 ok 10,0,0,1,4"));
    EXPECT_FALSE(parsePassiveReply("227 (10,0,0,1,4,4000)"));
    // The code's own digits are not part of the address.
    EXPECT_EQ(parsePassiveReply("227 =1,2,3,4,0,21")->port, 21);
}

TEST(FtpCurrentDirReply, TakesTheQuotedPathKeepingDoubledQuotes) {
    EXPECT_EQ(parseCurrentDirReply("257 \"/home/a\" is current"), "/home/a");
    EXPECT_EQ(parseCurrentDirReply("257 \"/say \"\"hi\"\"\" is current"), "/say \"\"hi\"\"");
    EXPECT_EQ(parseCurrentDirReply("257 \"/end\""), "/end");
    EXPECT_EQ(parseCurrentDirReply("257 /home"), "");
    EXPECT_EQ(parseCurrentDirReply("257 \"/never closed"), "");
}

// Feeds the reader canned chunks, then fails like a closed connection.
FtpReplyReader cannedReader(std::vector<std::string> chunks) {
    auto queue = std::make_shared<std::vector<std::string>>(std::move(chunks));
    return FtpReplyReader([queue, i = size_t(0)](char* buffer, size_t length, auto) mutable -> long {
        if (i >= queue->size()) return -1;
        const std::string& chunk = (*queue)[i++];
        EXPECT_LE(chunk.size(), length);
        std::copy(chunk.begin(), chunk.end(), buffer);
        return long(chunk.size());
    });
}

TEST(FtpReplyReader, MultiLineRepliesAndLinesLeftForTheNextTest) {
    FtpReplyReader reader = cannedReader({"220-Welcome\r\n220-second line\r\n220 ready\r\n331 pass", "word\r\n"});
    reader.drainReply();
    std::string text;
    EXPECT_TRUE(reader.expectReply("331", &text));
    EXPECT_EQ(text, "331 password");

    // The lines after the one that ends a reply wait for the next test.
    FtpReplyReader queued = cannedReader({"200 ok\r\n250 done\r\n"});
    EXPECT_TRUE(queued.expectReply("200"));
    EXPECT_TRUE(queued.expectReply("250"));
    EXPECT_FALSE(queued.expectReply("250"));
    EXPECT_TRUE(queued.broken());
}

TEST(FtpReplyReader, OverlongLinesAreCutAndManyLinesAreAllKept) {
    const std::string longLine = "230-" + std::string(5000, 'x') + "\r\n";
    std::vector<std::string> chunks;
    for (size_t i = 0; i < longLine.size(); i += kReplyChunk) chunks.push_back(longLine.substr(i, kReplyChunk));
    std::string many;
    for (int i = 0; i < 300; ++i) many += "230-" + std::to_string(i) + "\r\n";
    chunks.push_back(many.substr(0, 2000));
    chunks.push_back(many.substr(2000) + "230 end\r\n200 next\r\n");

    FtpReplyReader reader = cannedReader(chunks);
    std::string line;
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(line.size(), kMaxReplyLine);
    std::string text;
    EXPECT_TRUE(reader.expectReply("230", &text));
    EXPECT_EQ(text, "230 end");
    EXPECT_TRUE(reader.expectReply("200"));
}

}  // namespace
}  // namespace tesselon
