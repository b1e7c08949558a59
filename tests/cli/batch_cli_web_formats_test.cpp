// WebP and AVIF results and WebP, AVIF and HEIC sources through tesselon-batch, checked
// with Debian's own tools for those formats (dwebp, avifdec, heif-info, exiv2).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "engine/program_setup.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::shell;
using testing::TempDir;

const char* const kRealPhotos[] = {"/usr/share/backgrounds/mate/nature/LadyBird.jpg",
                                   "/usr/share/backgrounds/mate/nature/Garden.jpg"};

std::optional<ImageObject> decodedFile(const std::string& path) {
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    return loadImage(path, codecs);
}

// A colour byte of (x, y) laid over white, as the picture shows on a page.
double shown(const ImageObject& image, int x, int y, int channel) {
    const uint8_t* p = image.row(y) + size_t(x) * size_t(image.bytesPerPixel());
    const double alpha = image.depth == 32 ? p[3] / 255.0 : 1.0;
    return p[channel] * alpha + 255.0 * (1.0 - alpha);
}

double psnrShown(const ImageObject& a, const ImageObject& b) {
    double squares = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = shown(a, x, y, c) - shown(b, x, y, c);
                squares += d * d;
            }
    const double mse = squares / (3.0 * a.width * a.height);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Two real photographs at web size, and a photograph cut out of a transparent canvas
// with a soft edge.
void writeRealSources(const TempDir& dir) {
    std::filesystem::create_directories(dir.file("in"));
    for (const char* photo : kRealPhotos) {
        const std::string name = std::filesystem::path(photo).stem().string();
        shell("convert '" + std::string(photo) + "' -resize 1024x '" + dir.file("in/" + name + ".jpg") + "'");
    }
    shell("convert '" + std::string(kRealPhotos[1]) + "' -resize 1600x -gravity center -crop 800x500+0+0 +repage "
          "\\( -size 800x500 xc:black -fill white "
          "-draw 'ellipse 400,250 300,200 0,360' -blur 0x12 \\) -alpha off -compose copy_opacity -composite '" +
          dir.file("in/cutout.png") + "'");
}

TEST(BatchCliWebFormats, ResultsDecodeWithDebiansToolsKeepAlphaAndStayClose) {
    for (const char* photo : kRealPhotos)
        if (!std::filesystem::exists(photo)) GTEST_SKIP() << photo << " is missing (mate-backgrounds)";
    TempDir dir;
    writeRealSources(dir);
    for (const char* format : {"png", "webp", "avif"}) {
        const testing::CliRun r = testing::cli({"--source", dir.file("in"), "--dest", dir.file(format), "--format",
                                                format, "--quality", "80", "--quiet"},
                                               dir.path());
        ASSERT_EQ(r.code, 0) << format << ": " << r.err;
    }
    for (const char* name : {"LadyBird", "Garden", "cutout"}) {
        SCOPED_TRACE(name);
        const std::optional<ImageObject> png = decodedFile(dir.file(std::string("png/") + name + ".png"));
        ASSERT_TRUE(png);
        const std::string webp = dir.file(std::string("webp/") + name + ".webp");
        const std::string avif = dir.file(std::string("avif/") + name + ".avif");
        shell("dwebp -quiet '" + webp + "' -o '" + dir.file(std::string("dwebp-") + name + ".png") + "'");
        shell("avifdec '" + avif + "' '" + dir.file(std::string("avifdec-") + name + ".png") + "' >/dev/null");
        for (const std::string tool : {"dwebp-", "avifdec-"}) {
            SCOPED_TRACE(tool);
            const std::optional<ImageObject> back = decodedFile(dir.file(tool + name + ".png"));
            ASSERT_TRUE(back);
            ASSERT_EQ(back->width, png->width);
            ASSERT_EQ(back->height, png->height);
            EXPECT_EQ(back->depth, png->depth);  // alpha where the source had it, none elsewhere
            EXPECT_GE(psnrShown(*back, *png), 32.0);
            if (png->depth == 32) {
                EXPECT_EQ(back->row(5)[5 * 4 + 3], 0);                                         // a corner: clear
                EXPECT_EQ(back->row(250)[400 * 4 + 3], 255);                                   // the middle: opaque
            }
        }
    }
}

TEST(BatchCliWebFormats, WebpAvifAndHeicSourcesConvertToEveryFormat) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("in"));
    const std::string photo = dir.file("photo.png"), clear = dir.file("clear.png");
    shell("convert -size 160x120 gradient:'#d04020'-'#2060c0' -seed 3 -attenuate 0.2 +noise Gaussian '" + photo + "'");
    shell("convert -size 160x120 xc:none -fill '#20a040' -draw 'circle 80,60 80,20' 'PNG32:" + clear + "'");
    shell("cwebp -quiet -q 85 '" + photo + "' -o '" + dir.file("in/a.webp") + "'");
    shell("cwebp -quiet -q 85 '" + clear + "' -o '" + dir.file("in/b.webp") + "'");
    shell("avifenc -s 9 '" + photo + "' '" + dir.file("in/c.avif") + "' >/dev/null");
    shell("avifenc -s 9 '" + clear + "' '" + dir.file("in/d.avif") + "' >/dev/null");
    shell("heif-enc -q 85 '" + photo + "' -o '" + dir.file("in/e.heic") + "' >/dev/null");
    shell("heif-enc -q 85 '" + clear + "' -o '" + dir.file("in/f.HEIF") + "' >/dev/null");
    const std::vector<std::string> sources = {"a.webp", "b.webp", "c.avif", "d.avif", "e.heic", "f.HEIF"};
    const std::vector<bool> transparent = {false, true, false, true, false, true};

    for (const std::string format : {"original", "jpg", "png", "gif", "webp", "avif"}) {
        SCOPED_TRACE(format);
        const testing::CliRun r =
            testing::cli({"--source", dir.file("in"), "--dest", dir.file(format), "--format", format, "--extensions",
                          "webp,avif,heic,heif", "--quiet"},
                         dir.path());
        ASSERT_EQ(r.code, 0) << r.err;
        for (size_t i = 0; i < sources.size(); ++i) {
            const std::string& source = sources[i];
            const std::string stem = source.substr(0, source.find('.'));
            const std::string extension = format == "original" ? source.substr(source.find('.') + 1) : format;
            const std::string result = dir.file(format + "/" + stem + "." + extension);
            const std::optional<ImageObject> image = decodedFile(result);
            ASSERT_TRUE(image) << result;
            EXPECT_EQ(image->width, 160) << result;
            EXPECT_EQ(image->height, 120) << result;
            // A clear corner stays clear in every format but JPEG; GIF keeps it binary.
            const bool clearCorner = image->depth == 32 && image->row(2)[2 * 4 + 3] == 0;
            EXPECT_EQ(clearCorner, transparent[i] && format != "jpg") << result;
            if (format != "gif") {
                EXPECT_EQ(image->depth == 32, transparent[i] && format != "jpg") << result;
            }
        }
    }
    // Kept in their own formats, as Debian's tools read them.
    EXPECT_NE(shell("heif-info '" + dir.file("original/e.heic") + "'").find("image: 160x120"), std::string::npos);
    EXPECT_NE(shell("heif-info '" + dir.file("original/f.HEIF") + "'").find("alpha channel: yes"), std::string::npos);
    EXPECT_NE(shell("webpinfo '" + dir.file("original/b.webp") + "'").find("Alpha: 1"), std::string::npos);
}

TEST(BatchCliWebFormats, OrientationAndMetadataOfWebSourcesAndResults) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("in"));
    // Red on the left, blue on the right, stored turned as a camera held upright does.
    const std::string turned = dir.file("turned.jpg");
    shell("convert -size 96x64 xc:blue -fill red -draw 'rectangle 0,0 47,63' -rotate 270 -quality 95 '" + turned + "'");
    shell("exiv2 -M'set Exif.Image.Orientation Short 6' -M'set Exif.Image.Make TestCam' '" + turned + "'");
    shell("cp '" + turned + "' '" + dir.file("in/photo.jpg") + "'");
    const std::string config = dir.write("job.cfg", "[ProcesosImage]\r\n{\"MarcaDeAgua\":0}\r\n");

    // A WebP that keeps the EXIF of the photo, orientation included, and stays as stored.
    ASSERT_EQ(testing::cli({"--config", config, "--source", dir.file("in"), "--dest", dir.file("webp"), "--format",
                            "webp", "--keep-metadata", "--quiet"},
                           dir.path())
                  .code,
              0);
    const std::string webp = dir.file("webp/photo.webp");
    EXPECT_EQ(shell("exiv2 -K Exif.Image.Orientation -Pv '" + webp + "'"), "6\n");
    EXPECT_EQ(decodedFile(webp)->width, 64);

    // --auto-orient turns that WebP upright by its EXIF, and every web result keeps the
    // EXIF (orientation now upright) as Debian's tools see it.
    for (const char* format : {"webp", "avif", "original"}) {
        SCOPED_TRACE(format);
        const testing::CliRun r =
            testing::cli({"--config", config, "--source", dir.file("webp"), "--dest", dir.file(std::string("o-") + format),
                          "--format", format, "--extensions", "webp", "--keep-metadata", "--auto-orient", "--quiet"},
                         dir.path());
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string result =
            dir.file(std::string("o-") + format + "/photo." + (format == std::string("avif") ? "avif" : "webp"));
        const std::optional<ImageObject> image = decodedFile(result);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width, 96);
        EXPECT_GT(image->row(32)[10 * 3 + 2], 200);  // red on the left
        EXPECT_GT(image->row(32)[85 * 3 + 0], 200);  // blue on the right
    }
    EXPECT_EQ(shell("exiv2 -K Exif.Image.Make -Pv '" + dir.file("o-webp/photo.webp") + "'"), "TestCam\n");
    EXPECT_EQ(shell("exiv2 -K Exif.Image.Orientation -Pv '" + dir.file("o-webp/photo.webp") + "'"), "1\n");
    EXPECT_NE(shell("avifdec --info '" + dir.file("o-avif/photo.avif") + "'").find("Exif Metadata  : Present"),
              std::string::npos);
}

TEST(BatchCliWebFormats, AnimationsCorruptFilesAndBombsEachFailOrWarnAlone) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("in"));
    shell("convert -size 32x32 xc:red '" + dir.file("red.png") + "' && convert -size 32x32 xc:blue '" +
          dir.file("blue.png") + "'");
    shell("img2webp -loop 0 -d 100 '" + dir.file("red.png") + "' '" + dir.file("blue.png") + "' -o '" +
          dir.file("in/moving.webp") + "' >/dev/null 2>&1");
    shell("cwebp -quiet '" + dir.file("red.png") + "' -o '" + dir.file("in/fine.webp") + "'");
    shell("avifenc -s 9 '" + dir.file("red.png") + "' '" + dir.file("whole.avif") + "' >/dev/null");
    const std::string whole = *readWholeFile(dir.file("whole.avif"));
    dir.write("in/cut.avif", whole.substr(0, whole.size() / 2));
    dir.write("in/junk.heic", std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24) + std::string(200, 'x'));
    // A canvas of 16384 x 16384 declared in forty bytes.
    dir.write("in/bomb.webp", std::string("RIFF\x20\0\0\0WEBPVP8X\x0a\0\0\0\x10\0\0\0\xff\x3f\0\xff\x3f\0ALPH\x02\0\0\0\0\0", 40));

    const testing::CliRun r = testing::cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--format", "png",
                                            "--extensions", "webp,avif,heic", "--memory-limit", "256M", "--quiet"},
                                           dir.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/fine.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/moving.png")));
    EXPECT_NE(r.err.find("cut.avif': truncated or damaged"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("junk.heic': truncated or damaged"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bomb.webp': needs about"), std::string::npos) << r.err;
    const std::string warning = "warning: 1 animation was converted from the first frame only";
    ASSERT_NE(r.err.find(warning), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(warning), r.err.rfind(warning));
}

TEST(BatchCliWebFormats, ExtensionsAndFormatsAreTheTablesOwn) {
    EXPECT_EQ(extensionListFromNames("jpg,PNG|webp"), "JPG|JPEG|PNG|WEBP");
    EXPECT_EQ(extensionListFromNames(" heic , tiff , jpeg"), "JPG|JPEG|HEIC|TIF|TIFF");
    EXPECT_FALSE(extensionListFromNames("jpg,exe"));
    EXPECT_FALSE(extensionListFromNames(","));
    EXPECT_EQ(parseCliOptions({"--source", "/x", "--extensions", "avif,heif"}).options->extensions, "AVIF|HEIF");
    EXPECT_NE(parseCliOptions({"--source", "/x", "--extensions", "psd"}).error.find("webp, avif, heic, heif"),
              std::string::npos);
    for (const char* format : {"webp", "avif", "original", "gif"})
        EXPECT_TRUE(parseCliOptions({"--source", "/x", "--format", format}).options) << format;
    // HEIC is read and kept by "original", not offered as a result of its own.
    EXPECT_EQ(parseCliOptions({"--source", "/x", "--format", "heic"}).error,
              "--format must be original, jpg, png, gif, webp or avif");
}

}  // namespace
}  // namespace tesselon
