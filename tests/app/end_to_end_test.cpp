// A new user's first session: consent, a folder chosen and scanned, a preview, a batch
// into a destination folder; then tesselon-batch given the same settings must write
// the same files, byte for byte.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <cstdlib>

#include "app_fixture.h"
#include "runtime/fs/file_system.h"
#include "support/test_paths.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using EndToEnd = DesktopTest;

TEST_F(EndToEnd, WindowBatchMatchesTheTerminalBatchForTheSameSettings) {
    ASSERT_TRUE(writeSolidImage(source.file("a.jpg"), 320, 200, 0x3366CC));
    ASSERT_TRUE(writeSolidImage(source.file("b.png"), 90, 160, 0x22AA44));
    ASSERT_TRUE(writeSolidImage(source.file("sub/c.jpg"), 150, 150, 0x8040F0));

    // First start: consent, then No to scanning the home folder.
    answers = {MessageAnswer::Yes, MessageAnswer::No};
    ASSERT_TRUE(startWith());
    EXPECT_EQ(titles(), (std::vector<std::string>{"ATENCIÓN/PLEASE NOTE", "Recontar nº de imágenes"}));

    // The source folder, with its subfolder (asked about, since subfolders are on).
    requesterAnswers = {path(source.path())};
    answers = {MessageAnswer::Yes};
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenes);
    ASSERT_EQ(state().SourceImageList.size(), 3u);
    ASSERT_NE(app->frontend().previewImage(QtFrontend::kSourcePane), nullptr);

    const std::string windowOut = destination.file("window");
    requesterAnswers = {path(windowOut)};
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino);

    // A few settings through their controls.
    controls().setState(Panel_Principal, 1);
    click(Gadget_Principal_Basico_Option_Rotar90);
    click(Gadget_Principal_Basico_CheckBox_EscalaGrises);
    slide(Gadget_Principal_Basico_TrackBar_Contraste, 40);
    controls().setState(Panel_Principal, 2);
    auto* watermark = qobject_cast<QLineEdit*>(controls().widget(Gadget_Principal_String_MarcaAgua));
    watermark->clear();
    QTest::keyClicks(watermark, "Hola|mundo");
    click(Gadget_Principal_Option_POSTXT_Right_Bottom);
    slide(Gadget_Principal_TrackBar_TransparenciaInterior, 60);
    controls().setState(Panel_Principal, 0);
    click(Gadget_Principal_Archivo_Option_ExtensionJPG);
    slide(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, 80);

    click(Gadget_Principal_Button_Procesar);
    ASSERT_EQ(messages.back().title, "Fin de proceso");

    requesterAnswers = {path(programFolder.file("job"))};
    click(Gadget_Principal_ButtonImage_ConfigSave);
    ASSERT_GT(fileSize(programFolder.file("job.cfg")), 0);

    const auto fromWindow = filesUnder(windowOut + "/");
    ASSERT_EQ(fromWindow.size(), 3u);
    EXPECT_EQ(fromWindow.count("sub/c.jpg"), 1u);
    EXPECT_EQ(fromWindow.count("b.jpg"), 1u);

    const std::string terminalOut = destination.file("terminal/");
    // Under the sanitizers the program would report fontconfig's lifetime blocks, which
    // the test binaries suppress in their own code; the child gets the same list.
    const std::string suppressions = destination.write("lsan.supp", "leak:libfontconfig.so\n");
    const std::string command = "LSAN_OPTIONS=suppressions='" + suppressions + "' '" + binDir() +
                                "tesselon-batch' --quiet --config '" + programFolder.file("job.cfg") + "' --dest '" +
                                terminalOut + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto fromTerminal = filesUnder(terminalOut);
    ASSERT_EQ(fromTerminal.size(), fromWindow.size());
    for (const auto& [name, bytes] : fromWindow) {
        ASSERT_EQ(fromTerminal.count(name), 1u) << name;
        EXPECT_TRUE(fromTerminal.at(name) == bytes) << name << " differs";
    }
}

}  // namespace
}  // namespace tesselon::testing
