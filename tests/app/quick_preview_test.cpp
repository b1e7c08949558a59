// Moving to a large progressive JPEG: a quick picture from its first scans shows at once,
// marked "Afinando…", and the exact preview (the file PROCESAR writes) replaces it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app_fixture.h"
#include "processing/batch/preview_ahead.h"
#include "processing/batch/preview_image.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "ui/fit_image_to_box.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

// A progressive JPEG (by cjpeg) of diagonal bands whose colours depend on `seed`.
bool writeProgressiveJpeg(const TempDir& folder, const std::string& name, int width, int height, int seed) {
    const std::string ppm = folder.file(name + ".ppm");
    std::FILE* out = std::fopen(ppm.c_str(), "wb");
    if (out == nullptr) return false;
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = (x + y) / 97;
            const unsigned char rgb[3] = {static_cast<unsigned char>(band * 37 + seed * 80),
                                          static_cast<unsigned char>(y * 255 / height),
                                          static_cast<unsigned char>(x * 255 / width + seed * 40)};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    std::fclose(out);
    const std::string command =
        "cjpeg -progressive -quality 95 '" + ppm + "' > '" + folder.file(name) + "' && rm '" + ppm + "'";
    return std::system(command.c_str()) == 0;
}

class QuickPreview : public DesktopTest {
protected:
    // The result pane shows, fitted, what PROCESAR writes for the current entry.
    void expectResultPaneIsWhatProcesarWrites() {
        const SourceImageEntry& current = state().SourceImageList.entries[state().SourceImageList.current];
        const ImageObject shownResult = *app->frontend().previewImage(QtFrontend::kResultPane);
        click(Gadget_Principal_Button_Procesar);
        ASSERT_EQ(messages.back().title, "Fin de proceso");
        const std::string written = destination.file(std::filesystem::path(current.path).filename().string());
        std::optional<ImageObject> saved = loadImage(written, standardRegistry());
        ASSERT_TRUE(saved.has_value()) << written;
        const QWidget* pane = controls().widget(Gadget_Principal_Image_Resultado);
        std::optional<ImageObject> fitted =
            fitImageToBox(*saved, pane->width(), pane->height(), state().DpiScaleX, state().DpiScaleY, 0);
        ASSERT_TRUE(fitted.has_value());
        EXPECT_TRUE(fitted->pixels == shownResult.pixels);
    }

    QLabel* refiningSign() { return window().findChild<QLabel*>("previewRefining"); }
    bool signShown() {
        QLabel* sign = refiningSign();
        return sign != nullptr && sign->isVisible();
    }
};

TEST_F(QuickPreview, AQuickPictureStandsInUntilTheExactPreviewOfWhatProcesarWrites) {
    ASSERT_TRUE(writeProgressiveJpeg(source, "a.jpg", 1600, 1000, 0));
    ASSERT_TRUE(writeProgressiveJpeg(source, "b.jpg", 1600, 1000, 1));
    startScanningSource([](Settings& s) {
        s.entorno.FormatoImagen = "jpg";
        s.entorno.CalidadGrabacion = 70;
        s.image.EscalaGrises = 1;
        s.image.Rotar = 90;
    });
    ASSERT_EQ(state().SourceImageList.size(), 2u);
    window().show();
    EXPECT_FALSE(signShown());
    // The next image may be prepared ahead while the first is shown; written anew, it
    // must be read again when the user moves to it. Larger, its exact preview takes long
    // enough for the quick picture to be seen on any machine.
    ASSERT_TRUE(writeProgressiveJpeg(source, "b.jpg", 4000, 2500, 2));

    // What the panes and the sign show while the window answers events during the move.
    bool signSeen = false;
    std::vector<uint8_t> quickSource, quickResult;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (signSeen || !signShown()) return;
        signSeen = true;
        quickSource = app->frontend().previewImage(QtFrontend::kSourcePane)->pixels;
        quickResult = app->frontend().previewImage(QtFrontend::kResultPane)->pixels;
        if (const char* shot = std::getenv("TESSELON_SHOT")) window().grab().save(shot);
    });
    const std::vector<uint8_t> before = app->frontend().previewImage(QtFrontend::kSourcePane)->pixels;
    probe.start(1);
    click(Gadget_Principal_Button_ImagenSiguiente);
    probe.stop();

    ASSERT_TRUE(signSeen);
    EXPECT_NE(quickSource, before);  // the next image already, if roughly
    EXPECT_FALSE(signShown());
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kResultPane)->pixels, quickResult);

    // The exact preview is what the batch writes for that entry, fitted to the pane.
    expectResultPaneIsWhatProcesarWrites();
}

TEST_F(QuickPreview, ASettingChangeOnTheSameImageShowsNoQuickPicture) {
    ASSERT_TRUE(writeProgressiveJpeg(source, "a.jpg", 1600, 1000, 0));
    startScanningSource();
    window().show();
    bool signSeen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { signSeen = signSeen || signShown(); });
    probe.start(1);
    click(Gadget_Principal_Basico_CheckBox_Invertir);
    probe.stop();
    EXPECT_FALSE(signSeen);
    EXPECT_FALSE(signShown());
}

TEST_F(QuickPreview, TheNextImagePreparedWhileTheUserLooksIsWhatProcesarWrites) {
    ASSERT_TRUE(writeProgressiveJpeg(source, "a.jpg", 1600, 1000, 0));
    ASSERT_TRUE(writeProgressiveJpeg(source, "b.jpg", 1600, 1000, 1));
    ASSERT_TRUE(writeProgressiveJpeg(source, "c.jpg", 1600, 1000, 2));
    startScanningSource([](Settings& s) {
        s.entorno.FormatoImagen = "jpg";
        s.entorno.CalidadGrabacion = 40;
        s.image.Rotar = 21;
    });
    ASSERT_EQ(state().SourceImageList.size(), 3u);
    window().show();
    // The user looks at the first image until the next one is made.
    const SourceFileIdentity next = identifySourceFile(state().SourceImageList.entries[1].path);
    QElapsedTimer clock;
    clock.start();
    while (!preparerOf(state().preview).resultReady(next) && clock.elapsed() < 20000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    ASSERT_TRUE(preparerOf(state().preview).resultReady(next));
    bool signSeen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { signSeen = signSeen || signShown(); });
    probe.start(1);
    click(Gadget_Principal_Button_ImagenSiguiente);
    probe.stop();
    EXPECT_FALSE(signSeen);  // made already, so nothing stood in for it
    ASSERT_EQ(state().SourceImageList.current, 1u);
    expectResultPaneIsWhatProcesarWrites();
}

TEST_F(QuickPreview, ARotationOfALargePhotoShowsAPictureAtOnceMarkedUntilTheExactOne) {
    ASSERT_TRUE(writeProgressiveJpeg(source, "a.jpg", 2700, 1600, 0));
    startScanningSource([](Settings& s) {
        s.entorno.FormatoImagen = "jpg";
        s.entorno.CalidadGrabacion = 60;
    });
    window().show();
    bool signSeen = false;
    std::vector<uint8_t> quickResult;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (signSeen || !signShown()) return;
        signSeen = true;
        quickResult = app->frontend().previewImage(QtFrontend::kResultPane)->pixels;
        if (const char* shot = std::getenv("TESSELON_ROTATION_SHOT")) window().grab().save(shot);
    });
    probe.start(1);
    qobject_cast<QSpinBox*>(controls().widget(Gadget_Principal_Basico_Spin_RotarLibre))->setValue(33);
    probe.stop();
    ASSERT_TRUE(signSeen);
    EXPECT_FALSE(signShown());
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kResultPane)->pixels, quickResult);
    expectResultPaneIsWhatProcesarWrites();
}

}  // namespace
}  // namespace tesselon::testing
