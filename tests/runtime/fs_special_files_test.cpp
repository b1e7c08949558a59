// Files that are read whole refuse FIFOs, devices and huge files at once instead of
// hanging or reading until memory runs out.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "runtime/fs/file_system.h"
#include "runtime/fs/regular_file.h"
#include "runtime/fs/text_codec.h"
#include "runtime/fs/text_file.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// Runs `open` and gives its result; when it blocks on the FIFO, a writer is opened to
// set it free and the test fails instead of hanging.
template <typename Open>
auto withoutHanging(const std::string& fifo, Open open) {
    auto result = std::async(std::launch::async, open);
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked on " << fifo;
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    return result.get();
}

TEST(RegularFiles, SpecialFilesAreRefusedWithoutBlocking) {
    TempDir dir;
    const std::string fifo = dir.file("a.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.file("zero.txt"));
    EXPECT_EQ(withoutHanging(fifo, [&] { return openRegularFile(fifo, kMaxImageFileBytes).problem; }),
              OpenProblem::NotRegular);
    EXPECT_FALSE(withoutHanging(fifo, [&] { return loadImage(fifo, standardRegistry()).has_value(); }));
    EXPECT_EQ(withoutHanging(fifo, [&] { return TextFile::openForReading(fifo).openProblem(); }),
              OpenProblem::NotRegular);
    EXPECT_EQ(TextFile::openForReading(dir.file("zero.txt")).openProblem(), OpenProblem::NotRegular);
    EXPECT_EQ(openRegularFile(dir.path(), 10).problem, OpenProblem::NotRegular);
    EXPECT_EQ(openRegularFile(dir.file("missing"), 10).problem, OpenProblem::Missing);
    EXPECT_FALSE(readWholeFile("/dev/zero").has_value());
}

TEST(RegularFiles, FilesBeyondTheCapAreRefusedUnread) {
    TempDir dir;
    const std::string sparse = dir.write("sparse.jpg", "");
    ASSERT_EQ(::truncate(sparse.c_str(), off_t(5) << 30), 0);  // 5 GiB that takes no disk
    EXPECT_EQ(openRegularFile(sparse, kMaxImageFileBytes).problem, OpenProblem::TooLarge);
    EXPECT_FALSE(loadImage(sparse, standardRegistry()).has_value());
    ASSERT_EQ(::truncate(sparse.c_str(), off_t(kMaxTextFileBytes) + 1), 0);
    TextFile text = TextFile::openForReading(sparse);
    EXPECT_FALSE(text.isOpen());
    EXPECT_EQ(text.openProblem(), OpenProblem::TooLarge);
    EXPECT_EQ(describeOpenProblem(OpenProblem::TooLarge, kMaxTextFileBytes), "larger than 64 MiB");

    const std::string small = dir.write("small.txt", "exactly ten");
    OpenedFile opened = openRegularFile(small, 11);
    ASSERT_TRUE(opened.file);
    EXPECT_EQ(readOpenedFile(*opened.file, 11), "exactly ten");
    EXPECT_EQ(openRegularFile(small, 10).problem, OpenProblem::TooLarge);
}

TEST(Utf8Text, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(validUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(validUtf8("caf\xE9.jpg"), "caf\xEF\xBF\xBD.jpg");
    EXPECT_EQ(validUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");         // overlong "/"
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // lone surrogate
    EXPECT_EQ(validUtf8("\xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");          // cut short
}

}  // namespace
}  // namespace tesselon
