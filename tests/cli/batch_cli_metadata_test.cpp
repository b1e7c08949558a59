#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/cli_test_support.h"
#include "engine/program_setup.h"
#include "runtime/imaging/image_operations.h"
#include "support/icc_profile.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::shell;
using testing::TempDir;
using testing::testIccProfile;

// Four quadrants in distinct colours (red, lime / blue, yellow) on 96 x 64 pixels,
// edges on whole JPEG blocks, as ImageMagick draws it; makes the in/ folder beside it.
void drawUprightPicture(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path() / "in");
    shell("convert -size 96x64 xc:yellow -fill red -draw 'rectangle 0,0 47,31' -fill lime "
          "-draw 'rectangle 48,0 95,31' -fill blue -draw 'rectangle 0,32 47,63' '" + path + "'");
}

// Stores the upright picture the way a camera held in orientation `o` does: turned so
// that applying the orientation shows it upright again, and tagged with it.
std::string writeOrientedJpeg(const TempDir& dir, const std::string& upright, int o) {
    const char* storing[] = {"", "", "-flop", "-rotate 180", "-flip", "-transpose", "-rotate 270", "-transverse",
                             "-rotate 90"};
    const std::string path = dir.file("in/o" + std::to_string(o) + ".jpg");
    shell("convert '" + upright + "' " + storing[o] + " -quality 95 '" + path + "'");
    shell("exiv2 -M'set Exif.Image.Orientation Short " + std::to_string(o) + "' '" + path + "'");
    return path;
}

ImageObject decoded(const std::string& path) {
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    std::optional<ImageObject> image = loadImage(path, codecs);
    EXPECT_TRUE(image) << path;
    return image ? *image : ImageObject{};
}

// Mean absolute difference of two images of one size, over all colour bytes.
double meanDifference(const ImageObject& a, const ImageObject& b) {
    if (a.width != b.width || a.height != b.height || a.depth != b.depth) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

// Red, green, blue at (x, y) counted from the top left.
std::string colourAt(const ImageObject& image, int x, int y) {
    const uint8_t* p = image.row(y) + x * image.bytesPerPixel();
    auto level = [](uint8_t v) { return v > 170 ? 'H' : v < 85 ? 'L' : '?'; };
    return {level(p[2]), level(p[1]), level(p[0])};
}

void expectUpright(const ImageObject& image, const std::string& name) {
    ASSERT_EQ(image.width, 96) << name;
    ASSERT_EQ(image.height, 64) << name;
    EXPECT_EQ(colourAt(image, 24, 16), "HLL") << name;  // red top left
    EXPECT_EQ(colourAt(image, 72, 16), "LHL") << name;  // lime top right
    EXPECT_EQ(colourAt(image, 24, 48), "LLH") << name;  // blue bottom left
    EXPECT_EQ(colourAt(image, 72, 48), "HHL") << name;  // yellow bottom right
}

std::string noTextConfig(const TempDir& dir) {
    return dir.write("job.cfg", "[ProcesosImage]\r\n{\"MarcaDeAgua\":0}\r\n");
}

TEST(BatchCliMetadata, AutoOrientTurnsAllEightOrientationsUprightAndOnlyWhenAsked) {
    TempDir dir;
    drawUprightPicture(dir.file("upright.png"));
    for (int o = 1; o <= 8; ++o) writeOrientedJpeg(dir, dir.file("upright.png"), o);
    const std::vector<std::string> job = {"--config", noTextConfig(dir), "--source", dir.file("in"), "--quality", "95"};

    std::vector<std::string> oriented = job;
    oriented.insert(oriented.end(), {"--dest", dir.file("upright"), "--auto-orient"});
    testing::CliRun r = testing::cli(oriented, dir.path());
    ASSERT_EQ(r.code, 0) << r.err;
    const ImageObject first = decoded(dir.file("upright/o1.jpg"));
    for (int o = 1; o <= 8; ++o) {
        const std::string name = "o" + std::to_string(o) + ".jpg";
        const ImageObject result = decoded(dir.file("upright/" + name));
        expectUpright(result, name);
        EXPECT_LT(meanDifference(result, first), 2.0) << name;
    }

    std::vector<std::string> plain = job;
    plain.insert(plain.end(), {"--dest", dir.file("plain")});
    ASSERT_EQ(testing::cli(plain, dir.path()).code, 0);
    for (int o = 1; o <= 8; ++o) {
        const std::string name = "o" + std::to_string(o) + ".jpg";
        EXPECT_LT(meanDifference(decoded(dir.file("plain/" + name)), decoded(dir.file("in/" + name))), 2.0) << name;
    }
}

TEST(BatchCliMetadata, KeepMetadataKeepsExifFieldsAndTheColourProfile) {
    TempDir dir;
    const std::string profile = testIccProfile();
    drawUprightPicture(dir.file("upright.png"));
    const std::string photo = writeOrientedJpeg(dir, dir.file("upright.png"), 6);
    shell("exiv2 -M'set Exif.Image.Make TestCam' -M'set Exif.Image.Model Model 7' "
          "-M'set Exif.Photo.DateTimeOriginal 2024:05:03 09:07:02' -M'set Exif.Photo.PixelXDimension Long 64' "
          "-M'set Exif.Photo.PixelYDimension Long 96' '" + photo + "'");
    shell("convert -size 16x24 xc:gray '" + dir.file("in/o6-thumb.jpg") + "' && exiv2 -it '" + photo + "'");
    dir.write("in/o6.icc", profile);
    shell("exiv2 -iC '" + photo + "'");
    // exiv2 writes PNG profiles without the chunk's keyword, which PNG readers refuse.
    dir.write("flat.icc", profile);
    shell("convert '" + dir.file("upright.png") + "' -profile '" + dir.file("flat.icc") + "' '" +
          dir.file("in/flat.png") + "'");
    shell("rm '" + dir.file("in/o6-thumb.jpg") + "' '" + dir.file("in/o6.icc") + "'");
    ASSERT_NE(shell("exiv2 -Pk '" + photo + "'").find("Exif.Thumbnail."), std::string::npos);
    const std::vector<std::string> job = {"--config", noTextConfig(dir), "--source", dir.file("in")};

    std::vector<std::string> kept = job;
    kept.insert(kept.end(), {"--dest", dir.file("kept"), "--keep-metadata", "--auto-orient"});
    testing::CliRun r = testing::cli(kept, dir.path());
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string exif = shell("exiv2 -Pkv '" + dir.file("kept/o6.jpg") + "'");
    EXPECT_NE(exif.find("Exif.Image.Make                               TestCam"), std::string::npos) << exif;
    EXPECT_NE(exif.find("Exif.Image.Model                              Model 7"), std::string::npos) << exif;
    EXPECT_NE(exif.find("Exif.Photo.DateTimeOriginal                   2024:05:03 09:07:02"), std::string::npos);
    // Upright now: orientation 1 and the turned size; the stale thumbnail is gone.
    EXPECT_NE(exif.find("Exif.Image.Orientation                        1\n"), std::string::npos) << exif;
    EXPECT_NE(exif.find("Exif.Photo.PixelXDimension                    96\n"), std::string::npos) << exif;
    EXPECT_NE(exif.find("Exif.Photo.PixelYDimension                    64\n"), std::string::npos) << exif;
    EXPECT_EQ(exif.find("Exif.Thumbnail."), std::string::npos) << exif;
    expectUpright(decoded(dir.file("kept/o6.jpg")), "kept/o6.jpg");
    EXPECT_EQ(shell("exiv2 -pC '" + dir.file("kept/o6.jpg") + "'"), profile);
    EXPECT_EQ(shell("exiv2 -pC '" + dir.file("kept/flat.png") + "'"), profile);

    // A JPEG photo saved as PNG keeps its profile too.
    std::vector<std::string> png = job;
    png.insert(png.end(), {"--dest", dir.file("png"), "--keep-metadata", "--format", "png"});
    ASSERT_EQ(testing::cli(png, dir.path()).code, 0);
    EXPECT_EQ(shell("exiv2 -pC '" + dir.file("png/o6.png") + "'"), profile);

    // Without the option nothing is carried over and the pixels stay as stored.
    std::vector<std::string> plain = job;
    plain.insert(plain.end(), {"--dest", dir.file("plain")});
    ASSERT_EQ(testing::cli(plain, dir.path()).code, 0);
    EXPECT_EQ(shell("exiv2 -Pk '" + dir.file("plain/o6.jpg") + "'"), "");
    EXPECT_EQ(shell("exiv2 -pC '" + dir.file("plain/o6.jpg") + "' 2>/dev/null || true"), "");
    EXPECT_EQ(decoded(dir.file("plain/o6.jpg")).width, 64);
}

}  // namespace
}  // namespace tesselon
