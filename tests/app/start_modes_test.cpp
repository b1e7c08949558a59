#include <gtest/gtest.h>

#include <QTimer>

#include "app/interface_lock.h"
#include "ui/format_controls.h"
#include "app_fixture.h"
#include "runtime/fs/file_system.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using StartModes = DesktopTest;

int closeAndExec(Application& app) {
    QTimer::singleShot(0, [&app] { app.mainWindow()->close(); });
    return app.exec();
}

size_t enabledLockedControls(ControlRegistry& c) {
    size_t n = 0;
    for (int id : lockedControls()) n += c.isEnabled(id) ? 1 : 0;
    return n;
}

TEST_F(StartModes, LockValueDecidesTheTwelveControlsAndTheExitSave) {
    struct Case {
        const char* param;
        bool locked;
        bool saved;
    };
    for (const Case& c : {Case{"/LOCKED=1", true, true}, Case{"/locked=2", true, false},
                          Case{"/LOCKED=0", false, false}, Case{"/LOCKED=abc", false, false},
                          Case{"/LOCKED=256", false, false}, Case{"-update", false, false}}) {
        TempDir folder;
        folder.write("HayConsentimiento.dat", std::string(20, 'x'));
        Application a(Application::Options{folder.path(), {c.param}});
        a.frontend().setMessageScript([](auto, auto, auto, auto) { return MessageAnswer::No; });
        ASSERT_TRUE(a.start()) << c.param;
        EXPECT_EQ(enabledLockedControls(a.mainWindow()->controls()), c.locked ? 0 : lockedControls().size()) << c.param;
        // Every output format is locked, those beyond the first row too.
        for (const FormatControl& f : resultFormatControls())
            EXPECT_EQ(a.mainWindow()->controls().isEnabled(f.id), !c.locked) << c.param << " " << f.name;
        EXPECT_EQ(closeAndExec(a), 0);
        EXPECT_EQ(fileSize(folder.file("default.cfg")) > 0, c.saved) << c.param;
    }
}

TEST_F(StartModes, LockStoredInTheFileSavesButLocksNothingWithoutParameters) {
    giveConsent();
    programFolder.write("default.cfg", "[ProcesosEntorno]\r\n{\"locked\":1,\"CalidadGrabacion\":33}\r\n");
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith());
    EXPECT_EQ(enabledLockedControls(controls()), lockedControls().size());
    state().settings.entorno.CalidadGrabacion = 44;
    EXPECT_EQ(closeAndExec(*app), 0);
    EXPECT_NE(readFile(programFolder.file("default.cfg")).find("\"CalidadGrabacion\":44"), std::string::npos);
}

TEST_F(StartModes, DestinationSwitchMakesAPlainLocalJobWhateverTheFileSays) {
    giveConsent();
    programFolder.write("default.cfg",
                        "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"R\",\"imagenesRecursivo\":1,"
                        "\"imagenesSobreescribir\":1,\"FormatoImagen\":\"png\"}\r\n");
    answers = {MessageAnswer::No};
    // Each element is one parameter as the shell hands it over: the quotes that kept
    // the blanks together are gone, or were passed on literally.
    ASSERT_TRUE(startWith({"/FORIGEN=\"/srv/my photos\"", "/FDESTINO=/srv/out dir", "/LOCKED=1"}));
    ControlRegistry& c = controls();
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenes), "/srv/my photos/");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenesDestino), "/srv/out dir/");
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_Option_OrigenLocal), 1);
    EXPECT_TRUE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    EXPECT_FALSE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota));
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_Subcarpetas), 0);
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_Sobreescribir), 0);
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_Option_ExtensionORIGEN), 1);
    EXPECT_EQ(state().settings.entorno.RutaImagenesDestino, "/srv/out dir/");
    EXPECT_EQ(closeAndExec(*app), 0);
}

TEST_F(StartModes, SettingsFileSwitchNamesTheTargetNotTheFileReadAtThisStart) {
    giveConsent();
    TempDir other;
    programFolder.write("default.cfg", "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":64}\r\n");
    other.write("job.cfg", "[ProcesosEntorno]\r\n{\"CalidadGrabacion\":12}\r\n");
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith({"/FCONFIG=" + other.file("job.cfg"), "/LOCKED=1"}));
    EXPECT_EQ(state().settings.entorno.CalidadGrabacion, 64);
    EXPECT_EQ(state().SettingsFilePath, other.file("job.cfg"));
    state().settings.entorno.CalidadGrabacion = 55;
    const std::string defaultBefore = readFile(programFolder.file("default.cfg"));
    EXPECT_EQ(closeAndExec(*app), 0);
    EXPECT_NE(readFile(other.file("job.cfg")).find("\"CalidadGrabacion\":55"), std::string::npos);
    EXPECT_EQ(readFile(programFolder.file("default.cfg")), defaultBefore);
}

TEST_F(StartModes, EmptyFirstParameterHidesTheSwitchesButStillLocksAsTheFileSays) {
    giveConsent();
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith({"", "/LOCKED=1", "/FORIGEN=/x"}));
    EXPECT_EQ(state().settings.entorno.locked, 0);
    EXPECT_EQ(enabledLockedControls(controls()), lockedControls().size());
    EXPECT_NE(state().settings.entorno.RutaOrigenLocal, "/x/");
    EXPECT_EQ(closeAndExec(*app), 0);
}

TEST_F(StartModes, LaterSettingsLoadFindsNoParametersLeftAndLocksAsItsFileSays) {
    giveConsent();
    TempDir other;
    other.write("later.cfg",
                "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"L\",\"RutaOrigenLocal\":\"/from/file/\",\"locked\":2}\r\n");
    answers = {MessageAnswer::No, MessageAnswer::No};
    ASSERT_TRUE(startWith({"/FORIGEN=/from/switch", "/LOCKED=0"}));
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenes), "/from/switch/");
    EXPECT_EQ(enabledLockedControls(controls()), lockedControls().size());

    requesterAnswers = {path(other.file("later.cfg"))};
    click(Gadget_Principal_ButtonImage_ConfigLoad);
    // The rescan question comes again after the load.
    EXPECT_EQ(titles(1), std::vector<std::string>{"Recontar nº de imágenes"});
    EXPECT_EQ(state().SettingsFilePath, other.file("later.cfg"));
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenes), "/from/file/");
    EXPECT_EQ(state().settings.entorno.locked, 2);
    EXPECT_EQ(enabledLockedControls(controls()), 0u);
    EXPECT_EQ(closeAndExec(*app), 0);
}

}  // namespace
}  // namespace tesselon::testing
