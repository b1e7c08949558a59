#include <gtest/gtest.h>

#include "output_test_support.h"
#include "processing/output/output_format.h"
#include "processing/output/output_plan.h"

namespace tesselon {
namespace {

using testing::output::localEnvironment;

TEST(OutputFormat, ExtensionAndEncoderFollowTheFormatWord) {
    struct Case {
        const char* format;
        const char* source;
        const char* extension;
        uint32_t encoder;
    };
    const Case cases[] = {
        {"original", "/f/Foto.JPG", "JPG", kFormatJPEG},  {"png", "/f/Foto.JPG", "png", kFormatPNG},
        {"png", "/f/a.jpeg", "png", kFormatPNG},           {"original", "/f/a.jpeg", "jpeg", kFormatJPEG},
        {"original", "/f/scan.tif", "jpg", kFormatJPEG},   {"original", "/f/no_extension", "jpg", kFormatJPEG},
        {"original", "/f/a.b/file", "jpg", kFormatJPEG},   {"original", "/f/Anim.GIF", "GIF", kFormatGIF},
        {"gif", "/f/a.png", "gif", kFormatGIF},            {"original", "/f/x.Png", "Png", kFormatPNG},
        {"original", "/f/old.bmp", "jpg", kFormatJPEG},
    };
    for (const Case& c : cases) {
        const OutputFormat format = outputFormatFor(c.format, c.source);
        EXPECT_EQ(format.extension, c.extension) << c.format << " " << c.source;
        ASSERT_NE(format.format, nullptr) << c.format << " " << c.source;
        EXPECT_EQ(format.format->code, c.encoder) << c.format << " " << c.source;
        EXPECT_FALSE(format.substituted);
    }
}

TEST(OutputFormat, WebFormatsAreWrittenInTheirOwnOrTheStandInWhereTheEncoderIsMissing) {
    EXPECT_EQ(outputFormatFor("webp", "/f/a.jpg").format->code, kFormatWEBP);
    EXPECT_EQ(outputFormatFor("avif", "/f/a.png").extension, "avif");
    const OutputFormat heic = outputFormatFor("original", "/f/IMG_0001.HEIC");
    EXPECT_EQ(heic.format->code, kFormatHEIF);
    EXPECT_EQ(heic.extension, "HEIC");
    EXPECT_FALSE(heic.substituted);

    // A machine whose libheif has no HEVC encoder: HEIC is kept as AVIF, so named.
    ImageFormat withoutEncoder = *formatByExtension("heic");
    withoutEncoder.encoderPresent = [] { return false; };
    const OutputFormat standIn = resultFormatOf(&withoutEncoder, "HEIC");
    EXPECT_TRUE(standIn.substituted);
    EXPECT_EQ(standIn.format->code, kFormatAVIF);
    EXPECT_EQ(standIn.extension, "avif");
    // A stand-in that cannot be written either leaves JPEG.
    withoutEncoder.writtenAsWhenMissing = "tiff";
    EXPECT_EQ(resultFormatOf(&withoutEncoder, "heif").format->code, kFormatJPEG);
}

TEST(OutputFormat, QualityTravelsBesideTheFormatUntouched) {
    // However odd the stored quality, it cannot change the format results are written in.
    STRProcesosEntorno env = localEnvironment("/t/", "/o/");
    env.FormatoImagen = "png";
    for (int quality : {-5, 0, 50, 300, 1 << 20}) {
        env.CalidadGrabacion = quality;
        const OutputPlan plan = planOutput(env, {"/t/a.jpg", 0, "", 0, ""}, "/tmp/", false);
        EXPECT_EQ(plan.quality, quality);
        EXPECT_EQ(plan.format->code, kFormatPNG);
    }
}

TEST(OutputFormat, ReplaceExtensionWorksOnTheFileNameOnly) {
    EXPECT_EQ(replaceExtension("/d/a.jpeg", "png"), "/d/a.png");
    EXPECT_EQ(replaceExtension("/d/a.b.c", "jpg"), "/d/a.b.jpg");
    EXPECT_EQ(replaceExtension("/d.x/a", "png"), "/d.x/a.png");
    EXPECT_EQ(replaceExtension("a", "gif"), "a.gif");
}

TEST(OutputPlan, DestinationKeepsTheSourceSubfolders) {
    STRProcesosEntorno env = localEnvironment("/t/fotos/", "/t/salida/");
    const SourceImageEntry entry{"/t/fotos/2020/a.jpg", 10, "", 0, ""};

    OutputPlan plan = planOutput(env, entry, "/tmp/", false);
    EXPECT_EQ(plan.sourcePath, "/t/fotos/2020/a.jpg");
    EXPECT_EQ(plan.destinationFolder, "/t/salida/2020/");
    EXPECT_EQ(plan.outputPath, "/t/salida/2020/a.jpg");
    EXPECT_EQ(plan.savePath, "/t/salida/2020/a.jpg");
    EXPECT_EQ(plan.format->code, kFormatJPEG);
    EXPECT_EQ(plan.quality, 50);

    env.FormatoImagen = "png";
    plan = planOutput(env, entry, "/tmp/", false);
    EXPECT_EQ(plan.outputPath, "/t/salida/2020/a.jpg");
    EXPECT_EQ(plan.savePath, "/t/salida/2020/a.png");
    EXPECT_EQ(plan.format->code, kFormatPNG);

    plan = planOutput(env, entry, "/var/tmp", true);
    EXPECT_EQ(plan.savePath, "/var/tmp/a.png");
}

TEST(OutputPlan, OnlyTheLeadingSourceRootIsReplaced) {
    const STRProcesosEntorno env = localEnvironment("/a/", "/out/");
    EXPECT_EQ(planOutput(env, {"/a/b/a/c.jpg", 0, "", 0, ""}, "/tmp/", false).destinationFolder, "/out/b/a/");
    // Folders typed without their trailing "/" mean the same folders.
    EXPECT_EQ(destinationFolderFor("/a/b/a/c.jpg", "/a", "/out"), "/out/b/a/");
    // A list scanned from another folder never writes beside its sources.
    EXPECT_EQ(destinationFolderFor("/elsewhere/x/c.jpg", "/a/", "/out/"), "/out/");
}

TEST(OutputPlan, OverwriteSavesOverTheSourceInTheChosenFormat) {
    STRProcesosEntorno env = localEnvironment("/t/fotos/", "/t/salida/");
    env.imagenesSobreescribir = 1;
    env.FormatoImagen = "png";
    const OutputPlan plan = planOutput(env, {"/t/fotos/a.jpg", 0, "", 0, ""}, "/tmp/", false);
    EXPECT_EQ(plan.savePath, "/t/fotos/a.jpg");
    EXPECT_EQ(plan.outputPath, "/t/fotos/a.jpg");
    EXPECT_EQ(plan.format->code, kFormatPNG);
}

TEST(OutputPlan, RemoteEntryIsReadFromTheDownloadFolder) {
    STRProcesosEntorno env = localEnvironment("/ignored/", "/out/");
    env.LocalRemoto = "R";
    env.RutaEnLocalDeRemotoDescargadas = "/dl";
    const OutputPlan plan = planOutput(env, {"/public_html/up/2020/a.jpg", 0, "", 0, ""}, "/tmp/", false);
    EXPECT_EQ(plan.sourceRoot, "/dl/");
    EXPECT_EQ(plan.sourcePath, "/dl/public_html/up/2020/a.jpg");
    EXPECT_EQ(plan.destinationFolder, "/out/public_html/up/2020/");
    EXPECT_EQ(plan.savePath, "/out/public_html/up/2020/a.jpg");
}

}  // namespace
}  // namespace tesselon
