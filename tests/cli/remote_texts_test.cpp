// tesselon-batch's words for a file the download gave up on.
#include <gtest/gtest.h>

#include "cli/remote_texts.h"
#include "runtime/fs/regular_file.h"

namespace tesselon {
namespace {

// A file that passed the bound of every download says which bound, and that it was
// not fetched again.
TEST(RemoteTexts, AFileCutAtTheDownloadBoundNamesTheBound) {
    FailedRemoteFile file{"/endless.jpg", RemoteFailure::OverSizeBound, 1, int64_t(kMaxImageFileBytes)};
    EXPECT_EQ(failedDownloadReason(file),
              "the download failed 1 time: the file is larger than 1024 MiB, the most one download may bring; not "
              "tried again");
}

}  // namespace
}  // namespace tesselon
