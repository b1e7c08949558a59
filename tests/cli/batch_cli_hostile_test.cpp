// tesselon-batch fed the folders and files an attacker or an unlucky user would give
// it: links, special and huge files, colliding names, names that are not text.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/measured_child.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::CliRun;
using testing::readFile;
using testing::runBatchChild;
using testing::TempDir;
using testing::writeImages;
namespace fs = std::filesystem;

// What a process takes besides the images: code, fonts, and under the sanitizers
// their shadow memory and quarantine.
#ifdef __SANITIZE_ADDRESS__
constexpr long kRssSlackMiB = 700;
#else
constexpr long kRssSlackMiB = 150;
#endif

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A GIF of a few dozen bytes that declares a 16384 x 16384 screen.
std::string gifBomb() {
    std::string gif("GIF89a\x00\x40\x00\x40\x00\x00\x00", 13);
    gif += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x80\x00\x00\x00\xff\xff\xff", 16);
    gif += std::string("\x02\x02\x44\x01\x00\x3b", 6);
    return gif;
}

constexpr const char* kAllFormats =
    "[ProcesosEntorno]\r\n{\"ExtensionesActivas\":\"JPG|JPEG|PNG|GIF\",\"LocalRemoto\":\"L\","
    "\"UltimoEscaneoImagenesLocalRemoto\":\"L\",\"imagenesRecursivo\":1,\"FormatoImagen\":\"original\","
    "\"CalidadGrabacion\":85}\r\n";

TEST(BatchCliHostile, LinksInTheDestinationAreReplacedNeverFollowed) {
    TempDir dir;
    writeImages(dir, "in", 2);
    const std::string victim = dir.write("home/victim.conf", "secret settings");
    dir.write("out/.keep", "");
    fs::create_symlink(victim, dir.file("out/photo0.jpg"));
    fs::create_symlink(victim, dir.file("saved.cfg"));
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--save-config", dir.file("saved.cfg")}, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(victim), "secret settings");
    EXPECT_FALSE(fs::is_symlink(dir.file("out/photo0.jpg")));
    EXPECT_EQ(readFile(dir.file("out/photo0.jpg")).substr(0, 2), "\xFF\xD8");
    EXPECT_FALSE(fs::is_symlink(dir.file("saved.cfg")));
}

TEST(BatchCliHostile, DestinationThatIsTheSourceIsRefusedBeforeAnyWrite) {
    TempDir dir;
    saveImage(*createImage(8, 8, 24, 0x0000FF), dir.file("in/a.jpg"), *formatByExtension("jpg"));
    dir.write("in/.keep", "");
    saveImage(*createImage(8, 8, 24, 0xFF0000), dir.file("in/a.png"), *formatByExtension("png"));
    const auto before = testing::filesUnder(dir.file("in/"));
    fs::create_directory_symlink(dir.file("in"), dir.file("alias"));
    for (const std::string& dest : {dir.file("in"), dir.file("alias/")}) {
        CliRun r = cli({"--source", dir.file("in"), "--dest", dest, "--format", "jpg", "--quiet"}, dir);
        EXPECT_EQ(r.code, 2) << dest;
        EXPECT_TRUE(has(r.err, "Error de ruta de destino")) << r.err;
        EXPECT_TRUE(has(r.err, "the destination is the source folder")) << r.err;
        EXPECT_TRUE(testing::filesUnder(dir.file("in/")) == before);
    }
}

TEST(BatchCliHostile, OverwritingLeavesFilesOutsideTheSourceAlone) {
    TempDir dir;
    writeImages(dir, "in", 1);
    writeImages(dir, "elsewhere/photos", 1);
    const std::string outside = readFile(dir.file("elsewhere/photos/photo0.jpg"));
    fs::create_symlink(dir.file("elsewhere/photos/photo0.jpg"), dir.file("in/linked.jpg"));
    CliRun r = cli({"--source", dir.file("in"), "--overwrite", "--yes", "--format", "png", "--report",
                    dir.file("report.json")},
                   dir);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(readFile(dir.file("elsewhere/photos/photo0.jpg")), outside);
    EXPECT_TRUE(has(r.err, "failed '" + dir.file("in/linked.jpg") + "': not overwritten: it lies outside")) << r.err;
    EXPECT_EQ(readFile(dir.file("in/photo0.jpg")).substr(1, 3), "PNG");
    EXPECT_TRUE(has(readFile(dir.file("report.json")), "\"reason\":\"not overwritten: it lies outside"));
}

TEST(BatchCliHostile, ScansStayInsideTheSourceAndSkipTheDestination) {
    TempDir dir;
    writeImages(dir, "in", 2);
    writeImages(dir, "in/inner", 1);
    fs::create_directory_symlink("/", dir.file("in/root"));
    fs::create_directory_symlink(dir.file("in/inner"), dir.file("in/again"));  // inside: still followed once
    for (int run = 0; run < 2; ++run) {
        testing::MeasuredRun r = runBatchChild(
            {"--source", dir.file("in"), "--dest", dir.file("in/out"), "--subfolders", "--quiet"}, 60);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(has(r.err, "not following '" + dir.file("in/root/") + "'")) << r.err;
    }
    // The second run did not take the first run's results for sources.
    const auto tree = testing::filesUnder(dir.file("in/out/"));
    EXPECT_EQ(tree.size(), 3u);
    EXPECT_FALSE(tree.count("out/photo0.jpg"));
}

TEST(BatchCliHostile, SameOutputNamesKeepTheFirstResultAndFailTheOthers) {
    TempDir dir;
    writeImages(dir, "in", 1);
    fs::copy_file(dir.file("in/photo0.jpg"), dir.file("in/photo0.jpeg"));
    dir.write("job.cfg", kAllFormats);
    CliRun r = cli({"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest", dir.file("out"),
                    "--format", "png", "--report", dir.file("report.json")},
                   dir);
    EXPECT_EQ(r.code, 1) << r.err;
    // photo0.jpeg comes first by name and keeps photo0.png; photo0.jpg is named with it.
    EXPECT_TRUE(has(r.err, "failed '" + dir.file("in/photo0.jpg") + "': not written: its result '" +
                               dir.file("out/photo0.png") + "' is the result of '" + dir.file("in/photo0.jpeg") + "'"))
        << r.err;
    EXPECT_TRUE(has(r.err, "1 of 2 images saved, 1 failed")) << r.err;
    const JsonParseResult parsed = parseJson(readFile(dir.file("report.json")));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
    const JsonArray& items = *std::get<JsonDocument>(parsed).root().asArray();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(*items[0].asObject()->find("saved")->asBoolean());
    const JsonObject& refused = *items[1].asObject();
    EXPECT_EQ(*refused.find("path")->asString(), dir.file("in/photo0.jpg"));
    EXPECT_FALSE(*refused.find("saved")->asBoolean());
    EXPECT_EQ(*refused.find("sameOutputAs")->asString(), dir.file("in/photo0.jpeg"));
    EXPECT_EQ(refused.find("replacedBy"), nullptr);
}

TEST(BatchCliHostile, SpecialAndHugeFilesFailAloneQuickly) {
    TempDir dir;
    writeImages(dir, "in", 1);
    ASSERT_EQ(::mkfifo(dir.file("in/fifo.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.file("in/zero.jpg"));
    ::truncate(dir.write("in/sparse.jpg", "").c_str(), off_t(5) << 30);
    ASSERT_EQ(::mkfifo(dir.file("phrases.txt").c_str(), 0600), 0);
    dir.write("job.cfg", "[ProcesosTexto]\r\n{\"SoloMarcadeAgua\":1,\"TextoMarcaAgua\":\"x\"}\r\n");

    testing::MeasuredRun r =
        runBatchChild({"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest", dir.file("out")}, 60);
    ASSERT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_LT(r.peakRssMiB, 200 + kRssSlackMiB);
    EXPECT_TRUE(has(r.err, "failed '" + dir.file("in/fifo.jpg") + "': not a regular file")) << r.err;
    EXPECT_TRUE(has(r.err, "failed '" + dir.file("in/zero.jpg") + "': not a regular file")) << r.err;
    EXPECT_TRUE(has(r.err, "failed '" + dir.file("in/sparse.jpg") + "': larger than 1024 MiB")) << r.err;
    EXPECT_TRUE(has(r.err, "1 of 4 images saved, 3 failed")) << r.err;

    // As the phrases file and as the settings file.
    dir.write("fifo.cfg", "[ProcesosTexto]\r\n{\"SoloMarcadeAgua\":0,\"ArchivoFrases\":\"" + dir.file("phrases.txt") +
                              "\"}\r\n");
    r = runBatchChild({"--config", dir.file("fifo.cfg"), "--source", dir.file("in"), "--dest", dir.file("o2")}, 60);
    ASSERT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(has(r.err, "cannot read phrases file '" + dir.file("phrases.txt") + "': not a regular file")) << r.err;
    for (const std::string& config : {std::string("/dev/zero"), dir.file("phrases.txt")}) {
        r = runBatchChild({"--config", config, "--source", dir.file("in")}, 60);
        ASSERT_FALSE(r.timedOut) << config;
        EXPECT_EQ(r.exitCode, 2) << config;
        EXPECT_TRUE(has(r.err, "settings file '" + config + "' cannot be read: not a regular file")) << r.err;
    }
}

TEST(BatchCliHostile, MemoryLimitHoldsForFourWorkersAndBombsFailAlone) {
    TempDir dir;
    dir.write("job.cfg", kAllFormats);
    for (int i = 0; i < 4; ++i) dir.write("bombs/b" + std::to_string(i) + ".gif", gifBomb());
    testing::MeasuredRun bombs = runBatchChild({"--config", dir.file("job.cfg"), "--source", dir.file("bombs"),
                                                "--dest", dir.file("out"), "--jobs", "4", "--memory-limit", "1G"},
                                               60);
    ASSERT_FALSE(bombs.timedOut);
    EXPECT_EQ(bombs.exitCode, 1);
    EXPECT_LT(bombs.peakRssMiB, 100 + kRssSlackMiB);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(has(bombs.err, "failed '" + dir.file("bombs/b" + std::to_string(i) + ".gif") + "': needs about "))
            << bombs.err;
    }
    EXPECT_TRUE(has(bombs.err, "more than the memory limit of 1.0 GiB")) << bombs.err;

    // Four 27-megapixel photos that each need a few hundred MiB: with room for one at a
    // time, four workers convert them one after the other, taking no more memory than
    // one worker alone (all at once they take about three times as much).
    writeImages(dir, "big", 4, 6000, 4500);
    const auto convert = [&](const char* jobs, const char* out) {
        testing::MeasuredRun run = runBatchChild({"--source", dir.file("big"), "--dest", dir.file(out), "--jobs", jobs,
                                                  "--memory-limit", "500M"},
                                                 600);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.peakRssMiB;
    };
    [[maybe_unused]] const long one = convert("1", "one");
    const long four = convert("4", "four");
    EXPECT_LT(four, 500 + kRssSlackMiB) << "the workers took more than the limit allows";
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(four, one * 3 / 2) << "one worker: " << one << " MiB";
#endif
}

TEST(BatchCliHostile, AOneLinePhrasesFileOfMegabytesIsCutAndStaysQuick) {
    TempDir dir;
    writeImages(dir, "in", 2, 400, 300);
    std::string line;
    while (line.size() < (20u << 20)) line += "palabra larga sin fin ";
    dir.write("phrases.txt", line + "\r\n");
    dir.write("job.cfg", "[ProcesosTexto]\r\n{\"SoloMarcadeAgua\":0,\"ArchivoFrases\":\"" + dir.file("phrases.txt") +
                             "\"}\r\n");
    testing::MeasuredRun r = runBatchChild(
        {"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest", dir.file("out"), "--report",
         dir.file("report.json")},
        120);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LT(r.peakRssMiB, 200 + kRssSlackMiB);
    EXPECT_TRUE(has(r.err, "warning: texts longer than 4096 characters are cut there")) << r.err;
    EXPECT_TRUE(has(readFile(dir.file("report.json")), "\"overlayText\":\"" + line.substr(0, 4096) + "\""));
}

TEST(BatchCliHostile, ReportsAreValidJsonForAnyNameAndTheirFailureCounts) {
    TempDir dir;
    writeImages(dir, "in", 1);
    fs::copy_file(dir.file("in/photo0.jpg"), dir.file("in/caf\xE9.jpg"));
    dir.write("in/\x1b]0;pwned\x07.jpg", "not an image");
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--report", dir.file("report.json")}, dir);
    EXPECT_EQ(r.code, 1);
    // Names reach the terminal with their control characters escaped.
    EXPECT_FALSE(has(r.err, "\x1b")) << r.err;
    EXPECT_TRUE(has(r.err, "\\x1b]0;pwned\\x07.jpg")) << r.err;
    const std::string check = "python3 -c \"import json,sys; json.load(open(sys.argv[1], encoding='utf-8'))\" ";
    EXPECT_EQ(std::system((check + dir.file("report.json")).c_str()), 0) << readFile(dir.file("report.json"));
    const std::string report = readFile(dir.file("report.json"));
    EXPECT_TRUE(has(report, "\"rawPath\":\"" + dir.file("in/caf%E9.jpg") + "\"")) << report;
    EXPECT_TRUE(has(report, "caf\xEF\xBF\xBD.jpg"));

    CliRun unwritable = cli({"--source", dir.file("in"), "--dest", dir.file("out2"), "--report",
                             dir.file("missing/folder/report.json")},
                            dir);
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_TRUE(has(unwritable.err, "cannot write report"));
}

TEST(BatchCliHostile, PathsTooLongAreNamedAndCountAsFailures) {
    TempDir dir;
    writeImages(dir, "in", 1);
    // Deeper than PATH_MAX: made one level at a time below the current folder.
    const std::string start = fs::current_path();
    fs::current_path(dir.file("in"));
    for (int level = 0; level < 20; ++level) {
        const std::string name(250, char('a' + level));
        fs::create_directory(name);
        fs::current_path(name);
    }
    fs::copy_file(dir.file("in/photo0.jpg"), "deep.jpg");
    fs::current_path(start);
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--subfolders"}, dir);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(has(r.err, "the path is too long for the system")) << r.err;
    EXPECT_TRUE(has(r.err, "1 of 2 images saved, 1 failed")) << r.err;
}

TEST(BatchCliHostile, UnreadableSubfoldersAreNamedAndCountAsFailures) {
    TempDir dir;
    writeImages(dir, "in", 1);
    writeImages(dir, "in/locked", 1);
    fs::permissions(dir.path(), fs::perms::all);
    for (const char* folder : {"in", "in/photo0.jpg"}) fs::permissions(dir.file(folder), fs::perms::all);
    fs::permissions(dir.file("in/locked"), fs::perms::none);
    // Root reads every folder: the run then takes another account's rights.
    const std::string as = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 " + as + testing::binDir() + "tesselon-batch --source " +
                                dir.file("in") + " --dest " + dir.file("out") + " --subfolders 2>" + dir.file("err");
    const int status = std::system(command.c_str());
    fs::permissions(dir.file("in/locked"), fs::perms::owner_all);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = readFile(dir.file("err"));
    EXPECT_TRUE(has(err, "skipped '" + dir.file("in/locked/") + "': the folder cannot be read")) << err;
    EXPECT_TRUE(has(err, "1 of 2 images saved, 1 failed")) << err;
}

TEST(BatchCliHostile, QuietStillTellsRefusalsAndFailures) {
    TempDir dir;
    writeImages(dir, "in", 1);
    dir.write("nophrases.cfg", "[ProcesosTexto]\r\n{\"SoloMarcadeAgua\":0,\"ArchivoFrases\":\"\"}\r\n");
    CliRun noText =
        cli({"--config", dir.file("nophrases.cfg"), "--source", dir.file("in"), "--dest", dir.file("o"), "--quiet"}, dir);
    EXPECT_EQ(noText.code, 2);
    EXPECT_TRUE(has(noText.err, "No has seleccionado archivo de frases")) << noText.err;

    dir.write("blocker", "x");
    CliRun blocked = cli({"--source", dir.file("in"), "--dest", dir.file("blocker/out"), "--quiet"}, dir);
    EXPECT_EQ(blocked.code, 1);
    EXPECT_TRUE(has(blocked.err, "Error de creación de ruta")) << blocked.err;

    CliRun fine = cli({"--source", dir.file("in"), "--dest", dir.file("fine"), "--quiet"}, dir);
    EXPECT_EQ(fine.code, 0);
    EXPECT_EQ(fine.err, "");
}

// Every replacing write: the new file's data is flushed before the rename, and the
// folder after it, so a power loss leaves either the old file or the whole new one.
TEST(BatchCliHostile, ReplacedSourcesReachTheDiskBeforeAndAfterTheRename) {
    TempDir dir;
    writeImages(dir, "in", 2);
    const std::string log = dir.file("trace.log");
    // LeakSanitizer cannot run under a tracer.
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 strace -f -e trace=fsync,rename,renameat,renameat2 -o " + log + " " +
                                testing::binDir() +
                                "tesselon-batch --source " + dir.file("in") + " --overwrite --yes --quiet 2>/dev/null";
    if (std::system("strace -o /dev/null true 2>/dev/null") != 0) GTEST_SKIP() << "strace cannot trace here";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // Per thread: what it did last, so each rename can be checked against its neighbours.
    std::map<std::string, std::vector<std::string>> calls;
    std::istringstream lines(readFile(log));
    for (std::string line; std::getline(lines, line);) {
        const std::string thread = line.substr(0, line.find(' '));
        if (has(line, "fsync(")) calls[thread].push_back("fsync");
        // rename(".a.tmp", "a") or renameat(5, ".a.tmp", 5, "a")
        if (has(line, "rename(") || has(line, "renameat(") || has(line, "renameat2("))
            calls[thread].push_back(has(line, ".tmp\", ") ? "rename" : "other");
    }
    int renames = 0;
    for (const auto& [thread, sequence] : calls) {
        for (size_t i = 0; i < sequence.size(); ++i) {
            if (sequence[i] != "rename") continue;
            ++renames;
            EXPECT_TRUE(i > 0 && sequence[i - 1] == "fsync") << thread;
            EXPECT_TRUE(i + 1 < sequence.size() && sequence[i + 1] == "fsync") << thread;
        }
    }
    EXPECT_EQ(renames, 2);
}

TEST(BatchCliHostile, UnreadableOrGarbledSettingsFilesAreUsageErrors) {
    TempDir dir;
    writeImages(dir, "in", 1);
    const std::string binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18);
    dir.write("binary.cfg", binary);
    dir.write("garbled.cfg", "[ProcesosImage]\r\n{\"Rotar\":90,,}\r\n");
    for (const char* name : {"binary.cfg", "garbled.cfg", "missing.cfg"}) {
        CliRun r = cli({"--config", dir.file(name), "--source", dir.file("in"), "--dest", dir.file("out")}, dir);
        EXPECT_EQ(r.code, 2) << name;
        EXPECT_TRUE(has(r.err, "settings file '" + dir.file(name) + "'")) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir.file("out")));
    EXPECT_EQ(cli({"--source", dir.file("in"), "--memory-limit", "lots"}, dir).code, 2);
}

}  // namespace
}  // namespace tesselon

namespace tesselon {
namespace {

TEST(BatchCliHostile, HeicCodingFarMoreThanItDeclaresFailsWithinTheMemoryLimit) {
    // A 64 x 64 spatial extent over an 8192 x 8192 HEVC picture, four times, four workers.
    TempDir dir;
    const std::string understated = readFile(testing::testDataDir() + "crafted/understated.heic");
    ASSERT_FALSE(understated.empty());
    for (int i = 0; i < 4; ++i) dir.write("in/u" + std::to_string(i) + ".heic", understated);
    writeImages(dir, "in", 1);
    testing::MeasuredRun r = runBatchChild({"--source", dir.file("in"), "--dest", dir.file("out"), "--extensions",
                                            "heic,jpg", "--format", "png", "--jobs", "4", "--memory-limit", "64M",
                                            "--report", dir.file("report.json")},
                                           120);
    ASSERT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_LT(r.peakRssMiB, 64 + kRssSlackMiB);
    for (int i = 0; i < 4; ++i) {
        const std::string name = dir.file("in/u" + std::to_string(i) + ".heic");
        EXPECT_TRUE(has(r.err, "failed '" + name + "': not decoded: the picture coded in it is larger than its header "
                                                    "declares"))
            << r.err;
    }
    EXPECT_TRUE(has(r.err, "1 of 5 images saved, 4 failed")) << r.err;
    // Every line is the program's own: no decoder library speaks on stderr.
    std::istringstream lines(r.err);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.rfind("tesselon-batch: ", 0) == 0 || line.rfind("settings: ", 0) == 0 ||
                    line.rfind("results in ", 0) == 0 || has(line, " images saved, "))
            << line;
    EXPECT_TRUE(has(readFile(dir.file("report.json")), "larger than its header declares"));
}

}  // namespace
}  // namespace tesselon
