#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/frontend.h"
#include "output_test_support.h"
#include "processing/output/create_path.h"
#include "processing/output/destination_folder.h"
#include "processing/output/output_plan.h"
#include "support/scripted_frontend.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::output::localEnvironment;
using testing::ScriptedFrontend;
using testing::TempDir;
namespace fs = std::filesystem;

TEST(CreatePath, CreatesEveryMissingFolderOfAnAbsolutePath) {
    TempDir dir;
    EXPECT_TRUE(createPath(dir.path() + "a/b/c"));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/c")));
    EXPECT_TRUE(createPath(dir.path() + "a/b/c/"));  // all there already
    EXPECT_TRUE(createPath(dir.path() + "a//b/d/"));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/d")));
    EXPECT_TRUE(createPath("/"));
}

TEST(CreatePath, RelativePathIsCreatedBelowTheCurrentFolder) {
    TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const bool created = createPath("x/y");
    fs::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_TRUE(fs::is_directory(dir.file("x/y")));
}

TEST(CreatePath, FileInTheWayFails) {
    TempDir dir;
    dir.write("file", "x");
    EXPECT_FALSE(createPath(dir.path() + "file/sub"));
    EXPECT_FALSE(createPath(dir.path() + "file"));
}

TEST(CreatePath, WorkersCreatingTheSameFoldersAtOnceAllSucceed) {
    TempDir dir;
    for (int round = 0; round < 20; ++round) {
        const std::string deep = dir.path() + "r" + std::to_string(round) + "/a/b/c/d/e/f/g/h";
        std::atomic<int> failures{0};
        std::vector<std::thread> workers;
        for (int i = 0; i < 6; ++i) {
            workers.emplace_back([&] {
                if (!createPath(deep)) ++failures;
            });
        }
        for (std::thread& worker : workers) worker.join();
        EXPECT_EQ(failures.load(), 0) << deep;
    }
}

class DestinationFolder : public ::testing::Test {
protected:
    // The plan as the batch's guard hands it on: beneath the opened destination folder.
    OutputPlan planFor(const std::string& destination, bool preview) {
        STRProcesosEntorno env = localEnvironment(dir.path() + "fotos/", destination);
        env.imagenesSobreescribir = overwrite;
        OutputPlan plan = planOutput(env, {dir.path() + "fotos/2020/a.jpg", 1, "", 0, ""}, dir.path() + "tmp/", preview);
        if (!overwrite) {
            plan.root = openOrCreateFolder(destination);
            plan.folderBeneathRoot = "2020/";
        }
        return plan;
    }

    TempDir dir;
    ScriptedFrontend ui;
    int8_t cancelado = 0;
    int8_t overwrite = 0;
};

TEST_F(DestinationFolder, MissingFolderIsCreatedWithItsParents) {
    EXPECT_TRUE(ensureDestinationFolder(planFor(dir.path() + "salida/", false), cancelado, ui));
    EXPECT_TRUE(fs::is_directory(dir.file("salida/2020")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(cancelado, 0);
}

TEST_F(DestinationFolder, FailureEndsABatchWithTheErrorMessage) {
    dir.write("salida", "a file where the folder should be");
    EXPECT_FALSE(ensureDestinationFolder(planFor(dir.path() + "salida/", false), cancelado, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error de creación de ruta");
    EXPECT_EQ(ui.messages[0].text, "No se pudo crear la ruta de destino de las imágenes: \r\n\r\n'" + dir.path() +
                                       "salida/2020/'\r\n\r\nPROCESO ABORTADO");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(cancelado, 1);
}

TEST_F(DestinationFolder, PreviewIgnoresTheFailure) {
    dir.write("salida", "x");
    EXPECT_TRUE(ensureDestinationFolder(planFor(dir.path() + "salida/", true), cancelado, ui));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(cancelado, 0);
}

TEST_F(DestinationFolder, OverwritingNeedsNoFolder) {
    overwrite = 1;
    EXPECT_TRUE(ensureDestinationFolder(planFor(dir.path() + "salida/", false), cancelado, ui));
    EXPECT_FALSE(fs::exists(dir.file("salida")));
}

}  // namespace
}  // namespace tesselon
