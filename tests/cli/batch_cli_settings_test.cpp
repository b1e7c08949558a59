#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "engine/program_setup.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/dates/dates.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "support/restricted_folder.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::TempDir;
using testing::readFile;

using Captured = testing::CliRun;

Captured run(const std::vector<std::string>& args, const std::string& programFolder) {
    return testing::cli(args, programFolder);
}

using testing::ScopedEnv;

// Everything after the first line (the save time).
std::string withoutHeader(const std::string& text) { return text.substr(text.find("\r\n") + 2); }

TEST(BatchCliSettings, SaveConfigWithoutInputWritesTheDefaults) {
    TempDir dir;
    Captured c = run({"--save-config", dir.file("out.cfg")}, dir.path());
    ASSERT_EQ(c.code, 0) << c.err;
    EXPECT_EQ(c.err, "");

    Settings defaults;
    resetToDefaults(defaults, buildDefaultWatermarkText(currentDate()));
    const std::string written = readFile(dir.file("out.cfg"));
    EXPECT_EQ(withoutHeader(written), withoutHeader(composeSettingsText(defaults, 0)));
    EXPECT_EQ(written.rfind("Tesselon ", 0), 0u);
    // The default records hold the documented values in the fixed member order.
    EXPECT_NE(written.find("[Config]\r\n{\"Cancelado\":0,\"autoUpdate\":1}\r\n"), std::string::npos);
    EXPECT_NE(written.find("{\"Contraste\":0,\"ResizeActivo\":0,\"ColorFondo\":0,\"RotarAntesQueTexto\":1,"
                           "\"MarcaDeAgua\":1,\"ResizeH\":800,"),
              std::string::npos);
}

TEST(BatchCliSettings, ConfigFileOverridesDefaultsAndDefaultCfgIsTheFallback) {
    TempDir dir;
    dir.write("default.cfg", "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":77,\"LocalRemoto\":\"X\"}\r\n");
    dir.write("mine.cfg", "[Config]\r\n{\"autoUpdate\":0}\r\n");

    ASSERT_EQ(run({"--save-config", dir.file("a.cfg")}, dir.path()).code, 0);
    const std::string fromDefault = readFile(dir.file("a.cfg"));
    EXPECT_NE(fromDefault.find("\"CalidadGrabacion\":77"), std::string::npos);
    EXPECT_NE(fromDefault.find("\"LocalRemoto\":\"L\""), std::string::npos);

    ASSERT_EQ(run({"--config", dir.file("mine.cfg"), "--save-config=" + dir.file("b.cfg")}, dir.path()).code, 0);
    const std::string fromMine = readFile(dir.file("b.cfg"));
    EXPECT_NE(fromMine.find("{\"Cancelado\":0,\"autoUpdate\":0}"), std::string::npos);
    EXPECT_NE(fromMine.find("\"CalidadGrabacion\":50"), std::string::npos);  // default.cfg not read
}

TEST(BatchCliSettings, ValuesOutOfRangeAreClampedForTheConversionAndSavedAsLoaded) {
    TempDir dir;
    testing::writeImages(dir, "in", 1, 96, 64);
    // Quality -2^31; rotation 1e18, which loads wrapped; a width of 2^31-1.
    dir.write("odd.cfg",
              "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"L\",\"UltimoEscaneoImagenesLocalRemoto\":\"L\","
              "\"ExtensionesActivas\":\"JPG\",\"FormatoImagen\":\"original\",\"CalidadGrabacion\":-2147483648}\r\n"
              "[ProcesosImage]\r\n{\"Rotar\":1e18,\"ResizeActivo\":1,\"ResizeProporcional\":0,"
              "\"ResizeH\":2147483647,\"ResizeV\":20,\"MarcaDeAgua\":0,\"TintarImagen\":0,\"TinteCantidad\":500}\r\n");
    Captured c = run({"--config", dir.file("odd.cfg"), "--source", dir.file("in"), "--dest", dir.file("out"),
                      "--save-config", dir.file("saved.cfg")},
                     dir.path());
    ASSERT_EQ(c.code, 0) << c.err;
    for (const std::string warning :
         {"warning: CalidadGrabacion is -2147483648, outside 10..100; converting with 10",
          "warning: Rotar is -1486618624, outside 0..359; converting with 0",
          "warning: ResizeH is 2147483647, outside 1..9999; converting with 9999"}) {
        const size_t at = c.err.find(warning);
        EXPECT_NE(at, std::string::npos) << c.err;
        EXPECT_EQ(c.err.find(warning, at + 1), std::string::npos) << "said twice: " << warning;
    }
    // In range, or not used by this conversion (no tint): not a word.
    EXPECT_EQ(c.err.find("ResizeV"), std::string::npos) << c.err;
    EXPECT_EQ(c.err.find("TinteCantidad"), std::string::npos) << c.err;
    // The resize took place instead of being skipped, without a turn.
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    const std::optional<ImageObject> result = loadImage(dir.file("out/photo0.jpg"), codecs);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->width, 9999);
    EXPECT_EQ(result->height, 20);
    // What was loaded is what is saved.
    const std::string saved = readFile(dir.file("saved.cfg"));
    EXPECT_NE(saved.find("\"Rotar\":-1486618624"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"ResizeH\":2147483647"), std::string::npos) << saved;
}

TEST(BatchCliSettings, UsageErrorsExitTwoWithOneLine) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bogus"}, {"--config"}, {"--save-config="}, {"--config", dir.file("none.cfg")}}) {
        Captured c = run(args, dir.path());
        EXPECT_EQ(c.code, 2) << args[0];
        EXPECT_EQ(std::count(c.err.begin(), c.err.end(), '\n'), 1) << c.err;
    }
}

TEST(BatchCliSettings, MemoryLimitsReadAsSizes) {
    EXPECT_EQ(parseByteSize("512M"), uint64_t(512) << 20);
    EXPECT_EQ(parseByteSize("2G"), uint64_t(2) << 30);
    EXPECT_EQ(parseByteSize("2gib"), uint64_t(2) << 30);
    EXPECT_EQ(parseByteSize("1.5G"), uint64_t(3) << 29);
    EXPECT_EQ(parseByteSize("1048576"), uint64_t(1) << 20);
    for (const char* bad : {"", "G", "2X", "-1G", "2 G", "1..5G", "0"}) EXPECT_EQ(parseByteSize(bad), std::nullopt) << bad;
    TempDir dir;
    for (const char* small : {"--memory-limit=1M", "--memory-limit=lots"}) {
        Captured c = run({small, "--source", dir.path()}, dir.path());
        EXPECT_EQ(c.code, 2) << small;
        EXPECT_NE(c.err.find("--memory-limit must be a size"), std::string::npos) << c.err;
    }
}

TEST(BatchCliSettings, VersionAndHelp) {
    TempDir dir;
    Captured v = run({"--version"}, dir.path());
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, "0.3f\n");
    Captured h = run({"--help"}, dir.path());
    EXPECT_EQ(h.code, 0);
    EXPECT_NE(h.out.find("--save-config"), std::string::npos);
    EXPECT_NE(h.out.find("--memory-limit SIZE"), std::string::npos);
    EXPECT_NE(h.out.find("sameOutputAs"), std::string::npos);
}

TEST(BatchCliSettings, FailedSaveExitsOne) {
    TempDir dir;
    dir.write("plain-file", "x");
    // A folder that cannot exist: its parent is a file, so even root cannot write there.
    Captured c = run({"--save-config", dir.file("plain-file/out.cfg")}, dir.path());
    EXPECT_EQ(c.code, 1);
    EXPECT_NE(c.err.find("No se ha podido generar el archivo"), std::string::npos);
    EXPECT_EQ(readFile(dir.file("plain-file")), "x");
}

TEST(BatchCliSettings, WritableProgramFolderKeepsItsFilesAndHelpSaysSo) {
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.file("config").c_str());
    ASSERT_EQ(run({"--save-config", "default.cfg"}, dir.path()).code, 0);
    EXPECT_NE(readFile(dir.file("default.cfg")), "");
    EXPECT_EQ(::access(dir.file("config").c_str(), F_OK), -1);  // nothing made elsewhere

    const std::string help = run({"--help"}, dir.path()).out;
    EXPECT_NE(help.find(dir.path() + "\n  the program's own folder."), std::string::npos) << help;
}

TEST(BatchCliSettings, ReadOnlyProgramFolderIsReplacedByAPrivatePerUserFolder) {
    TempDir dir;
    testing::RestrictedFolder program(dir.file("bin"), testing::RestrictedFolder::Kind::ReadOnly);
    // A default.cfg beside the program is not the one in use any more.
    dir.write("bin/default.cfg", "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":11}\r\n");
    if (!program.engage()) GTEST_SKIP() << "no way to make a folder read-only here";
    const std::string bin = dir.file("bin/");
    const std::string perUser = dir.file("config/deeper/tesselon/");
    ScopedEnv config("XDG_CONFIG_HOME", dir.file("config/deeper").c_str());

    // --help names the folder in use without creating it.
    const std::string help = run({"--help"}, bin).out;
    EXPECT_NE(help.find(perUser + "\n  a per-user folder, because the program's own folder is not writable."),
              std::string::npos)
        << help;
    EXPECT_EQ(::access(perUser.c_str(), F_OK), -1);

    // The bare name default.cfg means the per-user folder, which is made owner-only.
    ASSERT_EQ(run({"--save-config", "default.cfg"}, bin).code, 0);
    struct stat info {};
    ASSERT_EQ(::stat(perUser.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    const std::string saved = readFile(perUser + "default.cfg");
    EXPECT_NE(saved.find("\"CalidadGrabacion\":50"), std::string::npos) << saved;

    // The next run reads its settings from there.
    dir.write("config/deeper/tesselon/default.cfg", "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":64}\r\n");
    ASSERT_EQ(run({"--save-config", dir.file("effective.cfg")}, bin).code, 0);
    EXPECT_NE(readFile(dir.file("effective.cfg")).find("\"CalidadGrabacion\":64"), std::string::npos);

    // Without XDG_CONFIG_HOME (or with a relative one, which is invalid) the folder
    // is ~/.config/tesselon/, parents made owner-only too.
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
    ScopedEnv home("HOME", dir.file("home").c_str());
    ASSERT_EQ(run({"--save-config", "default.cfg"}, bin).code, 0);
    EXPECT_NE(readFile(dir.file("home/.config/tesselon/default.cfg")), "");
    ASSERT_EQ(::stat(dir.file("home/.config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

}  // namespace
}  // namespace tesselon
