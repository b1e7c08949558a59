#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/http_test_server.h"
#include "update/statistics_request.h"

namespace tesselon::testing {
namespace {

TEST(StatisticsRequest, OneGetOfTheFixedAddressAndNoSecondOneAfterARedirect) {
    TempDir root;
    root.write(".soft/.stats/index.html", "ok");
    TestHttpServer server(root.path());
    sendUsageStatistics(VendorHosts{server.baseUrl(), "http://fallback.example.invalid/"});
    sendUsageStatistics(VendorHosts{server.baseUrl() + "redirect/", "http://fallback.example.invalid/"});
    const std::vector<LoggedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/.soft/.stats/?app=TSN");
    EXPECT_EQ(requests[0].header("User-Agent"), "Mozilla/5.0 Gecko/41.0 Firefox/41.0");
    EXPECT_EQ(requests[1].path, "/redirect/.soft/.stats/?app=TSN");
}

// A host whose answer never ends costs the program nothing: the request stops at its
// bound by itself, long before any limit of time.
TEST(StatisticsRequest, EndlessAnswerIsCutOffAtItsBound) {
    TempDir root;
    TestHttpServer server(root.path());
    UsageStatistics statistics(VendorHosts{server.baseUrl() + "endless/", "http://fallback.example.invalid/"});
    for (int i = 0; i < 1000 && !statistics.finished(); ++i) usleep(10'000);
    EXPECT_TRUE(statistics.finished());
}

// A host that takes the connection and never answers, like one on a stalled network.
TEST(StatisticsRequest, EndingTheProgramStopsARequestStillWaitingForItsAnswer) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string host = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";

    int connection = -1;
    {
        UsageStatistics statistics(VendorHosts{host, "http://fallback.example.invalid/"});
        pollfd waiting{listener, POLLIN, 0};
        ASSERT_EQ(::poll(&waiting, 1, 10'000), 1);
        connection = ::accept(listener, nullptr, nullptr);
        ASSERT_GE(connection, 0);
        EXPECT_FALSE(statistics.finished());
    }
    // Gone with the object: the request's connection is closed already.
    char byte;
    ssize_t got;
    while ((got = ::recv(connection, &byte, 1, MSG_DONTWAIT)) > 0) {
    }
    EXPECT_EQ(got, 0) << "the request still runs";
    ::close(connection);
    ::close(listener);
}

}  // namespace
}  // namespace tesselon::testing
