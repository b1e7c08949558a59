#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "cli/cli_test_support.h"
#include "engine/program_setup.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "runtime/process/program_run.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::CliRun;
using testing::readFile;
using testing::TempDir;
using testing::writeImages;

TEST(BatchCliRun, SameFilesForEveryJobCountAndAReportInListOrder) {
    TempDir dir;
    writeImages(dir, "in", 6);
    writeImages(dir, "in/deeper", 3);
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"MarcaDeAgua\":1,\"RotarAntesQueTexto\":0,\"Rotar\":90,"
                         "\"EscalaGrises\":1,\"ResizeActivo\":1,\"ResizeProporcional\":1,\"ResizeH\":48,\"ResizeV\":48}\r\n");
    std::map<std::string, std::string> first;
    for (const char* jobs : {"1", "4"}) {
        const std::string out = dir.file(std::string("out") + jobs + "/");
        CliRun r = cli({"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest", out, "--jobs", jobs,
                     "--quality", "85", "--report", dir.file("report.json")},
                    dir);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("9 of 9 images saved"), std::string::npos) << r.err;
        const auto tree = testing::filesUnder(out);
        ASSERT_EQ(tree.size(), 9u);
        EXPECT_TRUE(tree.count("deeper/photo2.jpg"));
        if (first.empty())
            first = tree;
        else
            EXPECT_TRUE(tree == first);
    }
    const std::string report = readFile(dir.file("report.json"));
    EXPECT_EQ(report.front(), '[');
    EXPECT_LT(report.find("in/photo5.jpg"), report.find("in/deeper/photo0.jpg"));  // files before subfolders
    EXPECT_NE(report.find("\"saved\":true"), std::string::npos);
    EXPECT_NE(report.find("\"overlayText\":\"Text Sample\\nover Image\\n@ "), std::string::npos);
}

TEST(BatchCliRun, TheReportIsRewrittenHoweverTheRunEnds) {
    TempDir dir;
    const std::string report = dir.file("report.json");
    const auto stale = [&] { dir.write("report.json", "[{\"path\":\"an earlier run\",\"saved\":true}]\n"); };

    // Nothing found.
    dir.write("empty/notes.txt", "no images here");
    stale();
    EXPECT_EQ(cli({"--source", dir.file("empty"), "--dest", dir.file("out"), "--report", report}, dir).code, 0);
    EXPECT_EQ(readFile(report), "[]\n");

    // The scan fails: the source folder is not there.
    stale();
    EXPECT_EQ(cli({"--source", dir.file("gone"), "--dest", dir.file("out"), "--report", report}, dir).code, 2);
    const JsonParseResult parsed = parseJson(readFile(report));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
    const JsonArray& items = *std::get<JsonDocument>(parsed).root().asArray();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(*items[0].asObject()->find("path")->asString(), dir.file("gone/"));
    EXPECT_FALSE(*items[0].asObject()->find("saved")->asBoolean());
    EXPECT_EQ(*items[0].asObject()->find("reason")->asString(), "the source folder does not exist");

    // The images were found, but the batch was refused before it began.
    writeImages(dir, "in", 2);
    stale();
    EXPECT_EQ(cli({"--source", dir.file("in"), "--overwrite", "--report", report}, dir).code, 2);
    const std::string refused = readFile(report);
    EXPECT_NE(refused.find(dir.file("in/photo1.jpg")), std::string::npos) << refused;
    EXPECT_EQ(refused.find("an earlier run"), std::string::npos) << refused;
    EXPECT_EQ(refused.find("\"saved\":true"), std::string::npos) << refused;
    EXPECT_NE(refused.find("\"reason\":\"not converted: overwriting the sources needs --yes\""), std::string::npos)
        << refused;

    // The settings file cannot be read.
    stale();
    EXPECT_EQ(cli({"--config", dir.file("missing.cfg"), "--source", dir.file("in"), "--report", report}, dir).code, 2);
    EXPECT_EQ(readFile(report), "[]\n");
}

TEST(BatchCliRun, OverwriteNeedsYes) {
    TempDir dir;
    writeImages(dir, "in", 2);
    const std::string original = readFile(dir.file("in/photo0.jpg"));
    CliRun refused = cli({"--source", dir.file("in"), "--overwrite", "--format", "png"}, dir);
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("Aviso de sobreescritura"), std::string::npos);
    EXPECT_EQ(readFile(dir.file("in/photo0.jpg")), original);

    CliRun accepted = cli({"--source", dir.file("in"), "--overwrite", "--yes", "--format", "png"}, dir);
    EXPECT_EQ(accepted.code, 0) << accepted.err;
    EXPECT_EQ(readFile(dir.file("in/photo0.jpg")).substr(1, 3), "PNG");  // PNG data under the .jpg name
}

TEST(BatchCliRun, RefusedPreconditionsAndBadSourcesExitTwo) {
    TempDir dir;
    writeImages(dir, "in", 1);
    dir.write("nophrases.cfg", "[ProcesosTexto]\r\n{\"SoloMarcadeAgua\":0,\"ArchivoFrases\":\"\"}\r\n");
    CliRun noText = cli({"--config", dir.file("nophrases.cfg"), "--source", dir.file("in"), "--dest", dir.file("o")}, dir);
    EXPECT_EQ(noText.code, 2);
    EXPECT_NE(noText.err.find("No has seleccionado archivo de frases"), std::string::npos);

    dir.write("remote.cfg", "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"R\"}\r\n");
    EXPECT_EQ(cli({"--config", dir.file("remote.cfg")}, dir).code, 2);
    EXPECT_EQ(cli({"--source", dir.file("missing")}, dir).code, 2);
    EXPECT_EQ(cli({"--quality", "5", "--source", dir.file("in")}, dir).code, 2);
    EXPECT_EQ(cli({}, dir).code, 2);
}

// An empty file, one cut short and one that is no image at all each fail with their
// own reason, and the summary counts them failed as the lines say.
TEST(BatchCliRun, BadImagesFailWithTheirReasonAndUnwritableDestinationEndsTheRun) {
    TempDir dir;
    writeImages(dir, "in", 2, 400, 300);
    dir.write("in/zero.jpg", "");
    dir.write("in/garbage.png", "\x89PNG\r\n\x1a\n garbage");
    dir.write("in/notes.jpg", "shopping list: bread, milk\n");
    testing::shell("convert '" + dir.file("in/photo0.jpg") + "' '" + dir.file("in/whole.png") + "'");
    const std::string png = readFile(dir.file("in/whole.png"));
    dir.write("in/cut.png", png.substr(0, png.size() / 2));
    ::unlink(dir.file("in/whole.png").c_str());
    CliRun r = cli({"--source", dir.file("in"), "--dest", dir.file("out"), "--jobs", "2", "--extensions", "jpg,png"},
                   dir);
    EXPECT_EQ(r.code, 1);
    const auto said = [&](const std::string& name, const std::string& reason) {
        return r.err.find("failed '" + dir.file("in/" + name) + "': " + reason) != std::string::npos;
    };
    EXPECT_TRUE(said("zero.jpg", "the file is empty")) << r.err;
    EXPECT_TRUE(said("notes.jpg", "not an image")) << r.err;
    EXPECT_TRUE(said("cut.png", "truncated or damaged")) << r.err;
    EXPECT_NE(r.err.find("2 of 6 images saved, 4 failed"), std::string::npos) << r.err;
    EXPECT_EQ(testing::filesUnder(dir.file("out/")).size(), 2u);

    dir.write("blocker", "x");
    CliRun blocked = cli({"--source", dir.file("in"), "--dest", dir.file("blocker/out")}, dir);
    EXPECT_EQ(blocked.code, 1);
    EXPECT_NE(blocked.err.find("Error de creación de ruta"), std::string::npos);
}

TEST(BatchCliRun, InterruptLetsImagesInHandFinishThenStops) {
    TempDir dir;
    writeImages(dir, "in", 60, 1200, 900);
    dir.write("slow.cfg", "[ProcesosImage]\r\n{\"MarcaDeAgua\":1,\"RotarAntesQueTexto\":1,\"Rotar\":17}\r\n");
    RunResult started = runProgram(testing::binDir() + "tesselon-batch",
                                   "--config " + dir.file("slow.cfg") + " --source " + dir.file("in") + " --dest " +
                                       dir.file("out") + " --jobs 1",
                                   {}, kRunOpen | kRunReadError);
    ASSERT_TRUE(started.ok && started.run);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (testing::filesUnder(dir.file("out/")).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(started.run->pid(), SIGINT);
    std::string err(4096, '\0');
    err.resize(started.run->readError(err.data(), err.size()));
    EXPECT_EQ(started.run->exitCode(), 1) << err;
    EXPECT_NE(err.find("cancelled"), std::string::npos) << err;
    const auto tree = testing::filesUnder(dir.file("out/"));
    EXPECT_GE(tree.size(), 1u);
    EXPECT_LT(tree.size(), 60u);
    // Nothing half written: every output is a whole JPEG.
    for (const auto& [name, bytes] : tree) EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9") << name;
}

}  // namespace
}  // namespace tesselon
