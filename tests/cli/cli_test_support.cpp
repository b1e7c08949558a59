#include "cli/cli_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "cli/batch_main.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"

namespace tesselon::testing {

CliRun cli(const std::vector<std::string>& args, const std::string& programFolder) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CliRun r;
    r.code = runBatchCli(args, programFolder, out, err);
    for (auto [file, text] : {std::pair{out, &r.out}, std::pair{err, &r.err}}) {
        std::rewind(file);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) text->append(buf, n);
        std::fclose(file);
    }
    return r;
}

std::string shell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

void writeImages(const TempDir& dir, const std::string& folder, int count, int width, int height) {
    for (int i = 0; i < count; ++i) {
        ImageObject img = *createImage(width, height, 24, uint32_t(0x102030 * (i + 1)));
        for (size_t b = 0; b < img.pixels.size(); b += 7) img.pixels[b] = uint8_t(b * (i + 3));
        const std::string path = dir.write(folder + "/photo" + std::to_string(i) + ".jpg", "");
        ASSERT_TRUE(saveImage(img, path, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)}));
    }
}

std::map<std::string, std::string> resultsUnder(const std::string& folder) {
    std::map<std::string, std::string> results = filesUnder(folder);
    std::erase_if(results, [](const auto& file) {
        const std::string name = file.first.substr(file.first.rfind('/') + 1);
        return name.rfind(".tesselon-manifest", 0) == 0;
    });
    return results;
}

int savedCount(const std::string& err) {
    const size_t at = err.find(" images saved");
    if (at == std::string::npos) return -1;
    const size_t of = err.rfind(" of ", at);
    const size_t start = err.find_last_not_of("0123456789", of - 1);
    return std::stoi(err.substr(start == std::string::npos ? 0 : start + 1, of));
}

}  // namespace tesselon::testing
