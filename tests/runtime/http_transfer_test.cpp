#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/file_system.h"
#include "runtime/http/http_transfer.h"
#include "runtime/http/transfer_record.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace tesselon::testing {
namespace {

std::string bytesOf(size_t count) {
    std::string data(count, '\0');
    for (size_t i = 0; i < count; ++i) data[i] = char((i * 7 + i / 251) & 0xFF);
    return data;
}

class HttpService : public ::testing::Test {
protected:
    HttpService() {
        root.write("file.bin", payload);
        root.write("small.txt", "hello");
    }
    std::string url(const std::string& path) const { return server.baseUrl() + path; }

    const std::string payload = bytesOf(300000);
    TempDir root;
    TempDir out;
    TestHttpServer server{root.path()};
};

TEST_F(HttpService, MemoryAndFileDownloadsCountAnyAnswerOfTheServerAsSuccess) {
    ASSERT_TRUE(server.running());
    EXPECT_EQ(fetchHttpMemory(url("file.bin")), payload);
    EXPECT_EQ(fetchHttpMemory(url("nolength/file.bin")), payload);

    // An error page is what the server answered, so the service hands it over.
    HttpTransferPtr missing = receiveHttpMemory(url("status/404/x"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->progress(), kHttpSucceeded);
    EXPECT_EQ(missing->statusCode(), 404);
    EXPECT_NE(finishHttp(std::move(missing)).body.find("Error 404"), std::string::npos);

    HttpTransferPtr file = receiveHttpFile(url("file.bin"), out.file("copy.bin"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(finishHttp(std::move(file)).bytesWritten, int64_t(payload.size()));
    EXPECT_EQ(readFile(out.file("copy.bin")), payload);

    EXPECT_EQ(receiveHttpMemory(""), nullptr);
    EXPECT_EQ(receiveHttpFile(url("file.bin"), ""), nullptr);
}

TEST_F(HttpService, RedirectsAreFollowedUnlessAskedNotTo) {
    EXPECT_EQ(fetchHttpMemory(url("redirect/small.txt")), "hello");
    HttpOptions noRedirect;
    noRedirect.flags = kHttpNoRedirect;
    HttpTransferPtr answer = receiveHttpMemory(url("redirect/small.txt"), noRedirect);
    EXPECT_EQ(answer->statusCode(), 302);
    EXPECT_EQ(finishHttp(std::move(answer)).body, "redirect body");
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(HttpService, FailedFileDownloadLeavesNoFileAndNeverWritesThroughALink) {
    EXPECT_FALSE(fetchHttpFile(url("file.bin"), out.file("missing/folder/copy.bin")));
    EXPECT_EQ(fileSize(out.file("missing")), kFileMissing);

    // Someone left a link where the download goes: the link is replaced, what it
    // points to stays as it was.
    const std::string victim = out.write("victim.txt", "precious");
    ASSERT_EQ(::symlink(victim.c_str(), out.file("planted").c_str()), 0);
    EXPECT_TRUE(fetchHttpFile(url("small.txt"), out.file("planted")));
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_EQ(readFile(out.file("planted")), "hello");

    // A connection refused half-way through: nothing of the part is left.
    TestHttpServer stalling(root.path(), {false, 30});
    HttpOptions impatient;
    impatient.limits.stallSeconds = 1;
    EXPECT_FALSE(fetchHttpFile(stalling.baseUrl() + "stall/file.bin", out.file("part.bin"), impatient));
    EXPECT_EQ(fileSize(out.file("part.bin")), kFileMissing);
}

TEST_F(HttpService, AsynchronousDownloadIsPolledToItsEndAndCanBeAborted) {
    HttpOptions async;
    async.flags = kHttpAsync;
    root.write("five.txt", "abcde");
    HttpTransferPtr slow = receiveHttpMemory(url("slow/five.txt"), async);
    ASSERT_NE(slow, nullptr);
    std::vector<int64_t> seen;
    const int64_t final = awaitTransfer(*slow, [&](int64_t received) {
        seen.push_back(received);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return true;
    });
    EXPECT_EQ(final, kHttpSucceeded);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.back(), 0);
    EXPECT_EQ(finishHttp(std::move(slow)).body, "abcde");

    // Waiting for a host that sends nothing: an abort request ends it all the same.
    HttpTransferPtr held = receiveHttpMemory(url("hold/small.txt"), async);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(held->progress(), 0);
    EXPECT_EQ(awaitTransfer(*held, [](int64_t) { return false; }), kHttpAborted);
    EXPECT_FALSE(finishHttp(std::move(held)).succeeded);
    server.release();
}

TEST_F(HttpService, RequestsSendMethodBodyAndHeadersAndKeepTheAnswer) {
    HttpTransferPtr post = httpRequest(HttpMethod::Post, url("echo"), "name=ñ", {},
                                       {{"X-Token", "abc"}, {"X-Empty", ""}});
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(httpInfo(*post, HttpInfo::StatusCode), "200");
    const std::string body = httpInfo(*post, HttpInfo::Body);
    EXPECT_EQ(body.substr(0, 5), "POST\n");
    EXPECT_NE(body.find("X-Token: abc\n"), std::string::npos);
    EXPECT_NE(body.find("X-Empty: \n"), std::string::npos);
    EXPECT_NE(body.find("\n\nname=ñ"), std::string::npos);
    EXPECT_NE(httpInfo(*post, HttpInfo::Headers).find("Content-Length: "), std::string::npos);
    EXPECT_EQ(httpInfo(*post, HttpInfo::Error), "");

    HttpTransferPtr patch = httpRequest(HttpMethod::Patch, url("echo"));
    EXPECT_EQ(httpInfo(*patch, HttpInfo::Body).substr(0, 6), "PATCH\n");
    HttpOptions headOnly;
    headOnly.flags = kHttpHeadersOnly;
    HttpTransferPtr head = httpRequest(HttpMethod::Get, url("file.bin"), {}, headOnly);
    EXPECT_EQ(httpInfo(*head, HttpInfo::Body), "");
    EXPECT_NE(httpInfo(*head, HttpInfo::Headers).find("Content-Length: 300000"), std::string::npos);
    EXPECT_EQ(server.requests().back().method, "HEAD");
    EXPECT_EQ(server.requests().back().header("User-Agent"), kDefaultUserAgent);

    // One byte per character reads the body's bytes as Latin-1.
    HttpTransferPtr latin = httpRequest(HttpMethod::Put, url("echo"), "\xF1");
    EXPECT_NE(httpInfo(*latin, HttpInfo::Body, HttpTextDecoding::OneBytePerCharacter).find("\n\nñ"), std::string::npos);
}

TEST_F(HttpService, DeadOrTricklingHostIsGivenUpWithinTheLimits) {
    // The stall: half the body, then silence for longer than the stall limit.
    TestHttpServer stalling(root.path(), {false, 30});
    HttpOptions options;
    options.limits.stallSeconds = 1;
    HttpTransferPtr stalled = httpRequest(HttpMethod::Get, stalling.baseUrl() + "stall/file.bin", {}, options);
    EXPECT_EQ(stalled->progress(), kHttpFailed);
    EXPECT_NE(httpInfo(*stalled, HttpInfo::Error).find("too slow"), std::string::npos)
        << httpInfo(*stalled, HttpInfo::Error);

    // A host that never completes the connection: a listener whose queue is full.
    FileDescriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener.get(), 0), 0);
    ASSERT_EQ(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<FileDescriptor> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(fillers.back().get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    options.limits.connectSeconds = 1;
    const std::string deadUrl = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";
    HttpTransferPtr dead = httpRequest(HttpMethod::Get, deadUrl, {}, options);
    EXPECT_EQ(dead->progress(), kHttpFailed);
    EXPECT_NE(httpInfo(*dead, HttpInfo::Error).find("Timeout was reached"), std::string::npos)
        << httpInfo(*dead, HttpInfo::Error);
}

TEST_F(HttpService, HttpsIsVerifiedAgainstTheSystemRootsPlusTheConfiguredFile) {
    TestHttpServer secure(root.path(), {true, 20});
    ASSERT_TRUE(secure.running());
    const std::string address = secure.baseUrl() + "small.txt";
    {
        HttpTransferPtr unknown = receiveHttpMemory(address);
        EXPECT_EQ(unknown->progress(), kHttpFailed);
    }
    const ScopedEnv ca("TESSELON_CA_FILE", secure.caFile());
    HttpTransferPtr trusted = receiveHttpMemory(address);
    EXPECT_EQ(finishHttp(std::move(trusted)).body, "hello");
}

TEST_F(HttpService, BodyBoundHoldsAgainstEndlessAndOversizedAnswers) {
    HttpOptions bounded;
    bounded.limits.maxBodyBytes = 64 * 1024;
    // An answer without an end stops at the bound, in memory and on disk alike.
    for (bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "file" : "memory");
        HttpTransferPtr endless = toFile ? receiveHttpFile(url("endless/small.txt"), out.file("endless"), bounded)
                                         : receiveHttpMemory(url("endless/small.txt"), bounded);
        EXPECT_EQ(endless->progress(), kHttpFailed);
        EXPECT_LE(endless->record().received.load(), bounded.limits.maxBodyBytes);
        EXPECT_NE(httpInfo(*endless, HttpInfo::Error).find("longer than 65536 bytes"), std::string::npos);
        EXPECT_EQ(fileSize(out.file("endless")), kFileMissing);
    }
    // An answer announcing more than the bound is refused before its body comes.
    bounded.limits.maxBodyBytes = int64_t(payload.size()) - 1;
    HttpTransferPtr announced = receiveHttpFile(url("file.bin"), out.file("big"), bounded);
    EXPECT_EQ(announced->progress(), kHttpFailed);
    EXPECT_EQ(announced->record().received.load(), 0);
    EXPECT_EQ(fileSize(out.file("big")), kFileMissing);
    // Without a Content-Length the bound is met while the bytes arrive.
    EXPECT_EQ(fetchHttpMemory(url("nolength/file.bin"), bounded), std::nullopt);
    // A body of exactly the bound is whole.
    bounded.limits.maxBodyBytes = int64_t(payload.size());
    EXPECT_EQ(fetchHttpMemory(url("nolength/file.bin"), bounded), payload);
}

TEST_F(HttpService, ReservedInvalidHostFailsWithoutTryingTheNetwork) {
    HttpTransferPtr nowhere = httpRequest(HttpMethod::Get, "https://updates.example.invalid/x");
    EXPECT_EQ(nowhere->progress(), kHttpFailed);
    EXPECT_EQ(httpInfo(*nowhere, HttpInfo::Error), "Could not resolve host: updates.example.invalid");
}

}  // namespace
}  // namespace tesselon::testing
