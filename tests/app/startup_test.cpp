#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "app_fixture.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using Startup = DesktopTest;

// Runs the main loop until the window is closed the way the title-bar button does.
int closeAndExec(Application& app) {
    QTimer::singleShot(0, [&app] { app.mainWindow()->close(); });
    return app.exec();
}

TEST_F(Startup, FirstStartAsksConsentBeforeLoadingAnythingThenAsksToRescan) {
    const std::string settingsText = "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":64}\r\n";
    programFolder.write("default.cfg", settingsText);
    std::string titleAtConsent;
    int qualityAtConsent = -1;
    onMessage = [&](const Shown& m) {
        if (m.title != "ATENCIÓN/PLEASE NOTE") return;
        titleAtConsent = window().windowTitle().toStdString();
        qualityAtConsent = state().settings.entorno.CalidadGrabacion;
    };
    answers = {MessageAnswer::Yes, MessageAnswer::No};
    ASSERT_TRUE(startWith());

    ASSERT_EQ(titles(), (std::vector<std::string>{"ATENCIÓN/PLEASE NOTE", "Recontar nº de imágenes"}));
    EXPECT_EQ(messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages[1].text, "¿Releer el nº de imágenes en la ruta actual?");
    EXPECT_EQ(messages[1].buttons, MessageButtons::YesNo);
    // The window was up, but no settings were loaded yet when consent was asked.
    EXPECT_EQ(titleAtConsent, "Varimosa");
    EXPECT_EQ(qualityAtConsent, 0);

    EXPECT_EQ(fileSize(programFolder.file("HayConsentimiento.dat")), 84);
    EXPECT_EQ(window().windowTitle(), "Tesselon - v0.3f");
    EXPECT_EQ(state().settings.entorno.CalidadGrabacion, 64);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_TrackBar_GrabarCalidad), 64);
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Text_GrabarCalidad), "64");
    EXPECT_EQ(state().settings.texto.FuenteUsada.Nombre, "Arial");  // other records keep their defaults
    // "No" to the rescan leaves the notice that the list may be out of date.
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Button_Cancelar));
    EXPECT_FALSE(controls().isEnabled(Gadget_Principal_Image_PosicionTexto));

    EXPECT_EQ(closeAndExec(*app), 0);
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(readFile(programFolder.file("default.cfg")), settingsText);  // not rewritten without the lock
}

TEST_F(Startup, RefusedConsentEndsAtOnceAndWritesNothing) {
    answers = {MessageAnswer::No};
    EXPECT_FALSE(startWith({"/LOCKED=1"}));
    EXPECT_EQ(titles(), std::vector<std::string>{"ATENCIÓN/PLEASE NOTE"});
    EXPECT_EQ(state().settings.entorno.locked, 0);  // the switches were never read
    EXPECT_TRUE(filesUnder(programFolder.path()).empty());
}

TEST_F(Startup, RescanYesScansTheSourceAndPreviewsTheFirstImage) {
    giveConsent();
    TempDir source;
    ASSERT_TRUE(writeSolidImage(source.file("a.png"), 200, 100, 0x0000FF));
    programFolder.write("default.cfg",
                        "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"L\",\"RutaOrigenLocal\":\"" + source.path() +
                            "\",\"ExtensionesActivas\":\"PNG\"}\r\n");
    answers = {MessageAnswer::Yes};
    ASSERT_TRUE(startWith());

    EXPECT_EQ(state().SourceImageList.size(), 1u);
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000001/0000001");
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Text_NumImagenesEnRuta), "0000001");
    EXPECT_TRUE(controls().isEnabled(Gadget_Principal_Button_Procesar));
    const ImageObject* source0 = app->frontend().previewImage(QtFrontend::kSourcePane);
    ASSERT_NE(source0, nullptr);
    EXPECT_EQ(source0->width, 380);
    EXPECT_EQ(source0->height, 251);
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kResultPane), nullptr);
    EXPECT_EQ(closeAndExec(*app), 0);
}

TEST_F(Startup, EmptyListShowsTheTextSampleAndZeroCounts) {
    giveConsent();
    programFolder.write("default.cfg", "[ProcesosEntorno]\r\n{\"Preview\":1}\r\n");
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith());
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000000/0000000");
    EXPECT_EQ(app->frontend().previewImage(QtFrontend::kSourcePane), nullptr);
    // The text sample is drawn on the result pane's placeholder.
    const ImageObject* sample = app->frontend().previewImage(QtFrontend::kResultPane);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->width, 380);
    EXPECT_EQ(sample->height, 251);
    // The stored preview flag shows in its checkbox.
    EXPECT_EQ(controls().state(Gadget_Principal_CheckBox_Preview), 1);
    EXPECT_EQ(closeAndExec(*app), 0);
}

TEST_F(Startup, ClockKeepsRunningWhileEventsArePumped) {
    giveConsent();
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith());
    EXPECT_EQ(window().statusFieldText(0), "Area 1");
    EXPECT_EQ(window().statusFieldText(1), "Area 2");
    const QString first = window().clockText();
    ASSERT_EQ(first.size(), 19);
    EXPECT_EQ(first[2], '/');
    EXPECT_EQ(first[13], ':');
    // Long operations keep the windows alive through their waits; the clock ticks inside
    // them. A tick a second after the text above was read must show another second,
    // however long a busy machine takes to deliver it; a clock that stopped never does.
    auto* clock = window().findChild<QTimer*>(QString("Timer%1").arg(kClockTimerNumber));
    ASSERT_NE(clock, nullptr);
    QElapsedTimer sinceRead;
    sinceRead.start();
    bool tickedASecondLater = false;
    const QMetaObject::Connection tick = QObject::connect(clock, &QTimer::timeout, [&] {
        if (sinceRead.elapsed() >= 1010) tickedASecondLater = true;
    });
    while (!tickedASecondLater && sinceRead.elapsed() < 60000) app->frontend().waitPumpingEvents(50);
    QObject::disconnect(tick);
    ASSERT_TRUE(tickedASecondLater) << "the clock did not tick within a minute";
    EXPECT_NE(window().clockText(), first);
    EXPECT_EQ(closeAndExec(*app), 0);
}

TEST_F(Startup, ClosingWithTheCloseButtonOrTheTitleBarEndsTheSameWay) {
    for (bool titleBar : {true, false}) {
        TempDir folder;
        folder.write("HayConsentimiento.dat", std::string(20, 'x'));
        Application a(Application::Options{folder.path(), {"/LOCKED=1"}});
        a.frontend().setMessageScript([](auto, auto, auto, auto) { return MessageAnswer::No; });
        ASSERT_TRUE(a.start());
        a.state().settings.entorno.CalidadGrabacion = 77;
        QTimer::singleShot(0, [&a, titleBar] {
            if (titleBar)
                a.mainWindow()->close();
            else
                qobject_cast<QAbstractButton*>(a.mainWindow()->controls().widget(Gadget_Principal_ButtonImage_Cerrar))
                    ->click();
        });
        EXPECT_EQ(a.exec(), 0);
        EXPECT_NE(readFile(folder.file("default.cfg")).find("\"CalidadGrabacion\":77"), std::string::npos);
    }
}

TEST_F(Startup, TerminationRequestDuringALongOperationCancelsItThenEnds) {
    giveConsent();
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith());
    // A request while the window is busy is held back, and cancels what runs.
    QTimer::singleShot(0, [this] {
        QTimer::singleShot(0, [this] { app->requestEnd(); });
        app->frontend().waitPumpingEvents(300);
        EXPECT_EQ(state().settings.config.Cancelado, 1);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(app->exec(), 0);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(window().isVisible());
}

TEST_F(Startup, TerminationWhileAQuestionWaitsAnswersItLikeEscapeAndEnds) {
    giveConsent();
    programFolder.write("default.cfg", "[ProcesosEntorno]\r\n{\"locked\":1,\"CalidadGrabacion\":21}\r\n");
    // Real message boxes this time: the start's rescan question waits for the user.
    Application a(Application::Options{programFolder.path(), {}});
    bool questionWasUp = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() == nullptr) return;
        questionWasUp = true;
        poll.stop();
        a.requestEnd();
    });
    poll.start(20);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(a.start());
    EXPECT_TRUE(questionWasUp);
    EXPECT_TRUE(a.state().SourceImageList.empty());  // "No": nothing was scanned
    EXPECT_EQ(a.exec(), 0);
    EXPECT_LT(clock.elapsed(), 10000);
    // The exit steps ran: locked 1 writes the settings back.
    EXPECT_NE(readFile(programFolder.file("default.cfg")).find("\"CalidadGrabacion\":21"), std::string::npos);
    EXPECT_NE(readFile(programFolder.file("default.cfg")).find("VERSION"), std::string::npos);
}

TEST_F(Startup, TerminationDuringTheConsentQuestionRefusesIt) {
    Application a(Application::Options{programFolder.path(), {"/LOCKED=1"}});
    QTimer::singleShot(300, [&] { a.requestEnd(); });
    EXPECT_FALSE(a.start());
    EXPECT_TRUE(filesUnder(programFolder.path()).empty());
}

}  // namespace
}  // namespace tesselon::testing
