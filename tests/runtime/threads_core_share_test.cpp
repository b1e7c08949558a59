// The cores of a batch shared out among the images it has in hand.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "runtime/threads/core_share.h"

namespace tesselon {
namespace {

TEST(CoreShare, ALoneImageTakesEveryCoreAndAFullBatchOneEach) {
    CoreShare share(4);
    EXPECT_EQ(share.threadsEach(), 4);  // nothing in hand yet: the next image alone
    CoreShare::Hold first = share.hold();
    EXPECT_EQ(share.threadsEach(), 4);
    CoreShare::Hold second = share.hold();
    EXPECT_EQ(share.threadsEach(), 2);
    std::vector<CoreShare::Hold> more;
    more.push_back(share.hold());
    more.push_back(share.hold());
    EXPECT_EQ(share.threadsEach(), 1);
    // More images than cores never ask for less than one thread.
    more.push_back(share.hold());
    EXPECT_EQ(share.threadsEach(), 1);
}

TEST(CoreShare, TheCoresOfFinishedImagesGoToThoseStillInHand) {
    CoreShare share(2);
    std::vector<CoreShare::Hold> holds;
    holds.push_back(share.hold());
    holds.push_back(share.hold());
    EXPECT_EQ(share.threadsEach(), 1);
    holds.pop_back();
    EXPECT_EQ(share.threadsEach(), 2);
}

TEST(CoreShare, AMovedHoldIsGivenBackOnce) {
    CoreShare share(3);
    CoreShare::Hold kept = share.hold();
    {
        CoreShare::Hold other = share.hold();
        EXPECT_EQ(share.threadsEach(), 1);
        CoreShare::Hold moved = std::move(other);
        EXPECT_EQ(share.threadsEach(), 1);
        kept = std::move(moved);  // the first hold is given back, the second lives on in `kept`
        EXPECT_EQ(share.threadsEach(), 3);
    }
    EXPECT_EQ(share.threadsEach(), 3);
    kept = CoreShare::Hold();
    CoreShare::Hold a = share.hold(), b = share.hold(), c = share.hold();
    EXPECT_EQ(share.threadsEach(), 1);
}

TEST(CoreShare, NoCoresCountAsOne) {
    CoreShare share(0);
    CoreShare::Hold a = share.hold(), b = share.hold();
    EXPECT_EQ(share.threadsEach(), 1);
    EXPECT_EQ(share.cores(), 1);
}

}  // namespace
}  // namespace tesselon
