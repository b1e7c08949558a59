#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "app/application.h"
#include "runtime/fs/file_system.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "ui/control_types.h"
#include "ui/main_window.h"
#include "ui/qt_frontend.h"

namespace tesselon {
namespace {

using testing::TempDir;
using testing::readFile;

Application::Options optionsFor(const TempDir& dir) { return {dir.path(), {}}; }

// Runs the main loop until the window is closed the way the title-bar button does.
int closeAndExec(Application& app) {
    QTimer::singleShot(0, [&app] { app.mainWindow()->close(); });
    return app.exec();
}

TEST(Startup, OpensTheMainWindowWithTitleClockAndLoadedSettings) {
    TempDir dir;
    dir.write("default.cfg", "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":64}\r\n");
    Application app(optionsFor(dir));
    ASSERT_TRUE(app.start());

    MainWindow* w = app.mainWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Tesselon - v0.3f");
    EXPECT_EQ(w->size(), QSize(1024, 700));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w->statusFieldText(0), "Area 1");
    EXPECT_EQ(w->statusFieldText(1), "Area 2");

    EXPECT_EQ(app.state().ProgramFolder, dir.path());
    EXPECT_EQ(app.state().SettingsFilePath, dir.file("default.cfg"));
    EXPECT_EQ(app.state().settings.entorno.CalidadGrabacion, 64);
    EXPECT_EQ(app.state().settings.texto.FuenteUsada.Nombre, "Arial");  // other records keep defaults

    // The clock shows dd/mm/yyyy hh:ii:ss and moves on by itself.
    const QString first = w->clockText();
    ASSERT_EQ(first.size(), 19);
    EXPECT_EQ(first[2], '/');
    EXPECT_EQ(first[13], ':');
    QElapsedTimer t;
    t.start();
    while (w->clockText() == first && t.elapsed() < 3000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_NE(w->clockText(), first);

    EXPECT_EQ(closeAndExec(app), 0);
    EXPECT_FALSE(w->isVisible());
}

TEST(Startup, ExitWritesSettingsBackOnlyWhenLockedIsOne) {
    for (int locked : {0, 1, 2}) {
        TempDir dir;
        Application app(optionsFor(dir));
        ASSERT_TRUE(app.start());
        app.state().settings.entorno.locked = int8_t(locked);
        app.state().settings.entorno.CalidadGrabacion = 91;
        EXPECT_EQ(closeAndExec(app), 0);
        const bool written = fileSize(dir.file("default.cfg")) > 0;
        EXPECT_EQ(written, locked == 1) << "locked " << locked;
        if (written) {
            EXPECT_NE(readFile(dir.file("default.cfg")).find("\"CalidadGrabacion\":91"), std::string::npos);
        }
    }
}

TEST(Startup, CloseRequestEndsTheProgram) {
    TempDir dir;
    Application app(optionsFor(dir));
    ASSERT_TRUE(app.start());
    EXPECT_EQ(app.handleMainEvent(WindowEvent{WindowEventType::CloseRequest, 0, ControlEventKind::Clicked}), "findeprograma");
    EXPECT_EQ(closeAndExec(app), 0);
}

}  // namespace
}  // namespace tesselon
