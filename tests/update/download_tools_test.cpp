#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "runtime/fs/file_system.h"
#include "support/http_test_server.h"
#include "update/download_tools/content_length_probe.h"
#include "update/download_tools/external_download.h"
#include "update/download_tools/tool_choice.h"
#include "update/download_tools/tool_output.h"
#include "update_test_support.h"

namespace tesselon::testing {
namespace {

TEST(DownloadToolOutput, WgetPercentagesAndClosingLine) {
    EXPECT_EQ(wgetPercentage("50% 1.2M 3s"), "50%");
    EXPECT_EQ(wgetPercentage("100% 1.2M=0.1s"), "100%");
    EXPECT_EQ(wgetPercentage("Length: 300000 (293K)"), "");
    // A whole log in one chunk: the last percentage counts.
    EXPECT_EQ(wgetPercentage("0K .......... 17% 7.10M 0s\n 250K ..... 100%  292M=0.008s\n\n2026 - saved"), "100%");

    EXPECT_TRUE(wgetReportsSaved("2026-01-01 (1 MB/s) - 'C:/Temp/file.dat' saved [1234/1234]", "C:\\Temp\\file.dat"));
    EXPECT_TRUE(wgetReportsSaved("(36.9 MB/s) - \u2018/tmp/a b.bin\u2019 saved [300000/300000]\n", "/tmp/a b.bin"));
    EXPECT_FALSE(wgetReportsSaved("'/tmp/a.bin' saved [1000/1234]", "/tmp/a.bin"));
    EXPECT_FALSE(wgetReportsSaved("'/tmp/other.bin' saved [1234/1234]", "/tmp/a.bin"));
}

TEST(DownloadToolOutput, ContentLengthOfHeaders) {
    EXPECT_EQ(contentLengthOfHeaders("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nServer: x\r\n\r\n"), 5000);
    EXPECT_EQ(contentLengthOfHeaders("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n"), -1);
    // After a redirect the final answer's size counts.
    EXPECT_EQ(contentLengthOfHeaders("HTTP/1.1 302 Found\r\ncontent-length: 13\r\n\r\n"
                                     "HTTP/1.1 200 OK\r\nCONTENT-LENGTH:\t77\r\n\r\n"),
              77);
    EXPECT_EQ(xhContentLength("HTTP/1.1 200 OK\ncontent-length: 5000\nserver: x"), 5000);
    EXPECT_EQ(xhContentLength("HTTP/1.1 200 OK\nserver: x"), std::nullopt);
}

class DownloadTools : public ::testing::Test {
protected:
    DownloadTools() {
        served.write("data.bin", data);
        served.write("lastversion.dat", "VERSION#2099#tesselon#http://x/\r\nsecond#line\r\n");
    }

    ToolDownloadResult download(const std::string& path, const std::string& local, bool textMode,
                                int64_t maxBytes = -1) {
        const ToolDownloadContext context{program.path(), frontend, hosts, {}};
        return externalDownload(context, server.baseUrl() + path, local, textMode, maxBytes);
    }

    const std::string data = std::string(200000, 'd') + "end";
    TempDir served;
    TempDir program;
    TempDir downloads;
    PacedFrontend frontend;
    VendorHosts hosts{"https://primary.example.invalid/", "http://fallback.example.invalid/"};
    TestHttpServer server{served.path()};
};

TEST_F(DownloadTools, FirstToolLargerThanAHundredBytesIsChosen) {
    EXPECT_EQ(chooseDownloadTool(program.path()), DownloadTool::None);
    program.write("wget.dat", std::string(100, 'w'));
    program.write("xh.dat", std::string(100, 'x'));
    ASSERT_TRUE(installTool(program, "aria2.dat"));
    EXPECT_EQ(chooseDownloadTool(program.path()), DownloadTool::Aria2);
    program.write("xh.dat", std::string(101, 'x'));
    EXPECT_EQ(chooseDownloadTool(program.path()), DownloadTool::Xh);
    ASSERT_TRUE(installTool(program, "wget.dat"));
    EXPECT_EQ(chooseDownloadTool(program.path()), DownloadTool::Wget);
}

TEST_F(DownloadTools, EachToolFetchesFilesAndFirstLines) {
    for (const char* tool : {"wget.dat", "aria2.dat", "xh.dat"}) {
        SCOPED_TRACE(tool);
        ASSERT_TRUE(installTool(program, tool));
        // Blanks and quotes in the path stay inside one argument.
        const std::string local = downloads.path() + "my \"odd\" folder/" + tool + ".bin";
        ASSERT_TRUE(std::filesystem::create_directories(downloads.path() + "my \"odd\" folder"));

        EXPECT_EQ(download("data.bin", local, false).text, "OK");
        EXPECT_EQ(readFile(local), data);

        const std::string versionCopy = downloads.file(std::string(tool) + ".version");
        const ToolDownloadResult line = download("lastversion.dat", versionCopy, true);
        EXPECT_EQ(line.text, "VERSION#2099#tesselon#http://x/");
        EXPECT_FALSE(line.endProgram);
        // aria2's copy stays behind; the others are deleted once read.
        EXPECT_EQ(fileSize(versionCopy) > 0, std::string(tool) == "aria2.dat");

        EXPECT_EQ(download("missing.bin", downloads.file("missing.bin"), false).text, "");
        deleteFile(program.file(tool));
        std::filesystem::remove_all(downloads.path() + "my \"odd\" folder");
    }
}

TEST_F(DownloadTools, EachToolIsHeldToTheBoundWhileTheBytesArrive) {
    const int64_t size = int64_t(data.size());
    for (const char* tool : {"wget.dat", "aria2.dat", "xh.dat"}) {
        SCOPED_TRACE(tool);
        ASSERT_TRUE(installTool(program, tool));
        const std::string local = downloads.file(std::string(tool) + ".bin");
        EXPECT_EQ(download("data.bin", local, false, size).text, "OK");
        EXPECT_EQ(readFile(local), data);
        deleteFile(local);
        EXPECT_EQ(download("data.bin", local, false, size - 1).text, "");
        EXPECT_LE(fileSize(local), size - 1);
        // xh learns no size from an answer without an end, so it never starts.
        deleteFile(local);
        EXPECT_EQ(download("endless/data.bin", local, false, 64 * 1024).text, "");
        EXPECT_LE(fileSize(local), 64 * 1024);
        deleteFile(program.file(tool));
    }
}

TEST_F(DownloadTools, MissingToolOffersItsDownloadPageAndEndsTheProgramOnYes) {
    const std::string record = downloads.file("opened.txt");
    const std::string opener = downloads.write("opener.sh", "#!/bin/sh\necho \"$@\" > '" + record + "'\n");
    ::chmod(opener.c_str(), 0755);
    const ScopedEnv useOpener("TESSELON_OPENER", opener);

    frontend.answers = {MessageAnswer::No};
    ToolDownloadResult declined = download("data.bin", downloads.file("a.bin"), false);
    EXPECT_EQ(declined.text, "");
    EXPECT_FALSE(declined.endProgram);
    ASSERT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(frontend.messages[0].title, "WGET NO ENCONTRADO");
    EXPECT_EQ(frontend.messages[0].icon, MessageIcon::Warning);

    frontend.answers = {MessageAnswer::Yes};
    ToolDownloadResult taken = download("data.bin", downloads.file("a.bin"), false);
    EXPECT_TRUE(taken.endProgram);
    ASSERT_EQ(frontend.messages.size(), 3u);
    EXPECT_EQ(frontend.messages[2].title, "Closing Program");
    EXPECT_EQ(frontend.messages[2].text,
              "This software will now close. Reopen it when WGET.dat is in the main executable folder.\r\n(" +
                  program.path() + ")");
    for (int i = 0; i < 200 && fileSize(record) <= 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(readFile(record), "https://primary.example.invalid/.soft/varios/wget.dat\n");
    EXPECT_EQ(fileSize(downloads.file("a.bin")), kFileMissing);
}

TEST_F(DownloadTools, ContentLengthProbeReadsTheSizeWithoutTheBody) {
    EXPECT_EQ(contentLengthProbe(server.baseUrl() + "data.bin"), int64_t(data.size()));
    EXPECT_EQ(server.requests().back().method, "HEAD");
    EXPECT_EQ(contentLengthProbe(server.baseUrl() + "nolength/data.bin"), -1);
    EXPECT_EQ(contentLengthProbe(""), -1);
    EXPECT_EQ(contentLengthProbe("http://127.0.0.1:1/"), -1);
}

}  // namespace
}  // namespace tesselon::testing
