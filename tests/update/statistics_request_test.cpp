#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tesselon::testing
