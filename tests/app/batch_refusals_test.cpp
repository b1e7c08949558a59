// What the desktop user is told when a batch must not write where it would: an error
// box for a destination that is the source folder, the status line and the end box for
// images left unconverted because another image keeps their output name.
#include <gtest/gtest.h>

#include <QPixmap>

#include "app_fixture.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using BatchRefusals = DesktopTest;

TEST_F(BatchRefusals, DestinationThatIsTheSourceFolderIsRefusedWithAnErrorBox) {
    startWithImages(2, [this](Settings& s) { s.entorno.RutaImagenesDestino = source.path(); });
    const auto before = filesUnder(source.path());
    click(Gadget_Principal_Button_Procesar);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().title, "Error de ruta de destino");
    EXPECT_EQ(messages.back().icon, MessageIcon::Error);
    EXPECT_NE(messages.back().text.find("PROCESO ABORTADO"), std::string::npos);
    EXPECT_TRUE(filesUnder(source.path()) == before);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Button_Procesar));
}

TEST_F(BatchRefusals, ImagesWhoseOutputNameAnotherKeepsAreToldInTheStatusLineAndTheEndBox) {
    // a.jpg and a.png both become a.jpg.
    ASSERT_TRUE(writeSolidImage(source.file("a.jpg"), 50, 40, 0x0000FF));
    ASSERT_TRUE(writeSolidImage(source.file("a.png"), 60, 40, 0x00FF00));
    Settings settings = settingsFor(source.path(), destination.path());
    settings.entorno.FormatoImagen = "jpg";
    writeDefaultSettings(settings);
    giveConsent();
    answers = {MessageAnswer::Yes};
    ASSERT_TRUE(startWith());
    click(Gadget_Principal_Button_Procesar);
    // The end box names the image left without a result, and the one that keeps the name.
    EXPECT_EQ(messages.back().title, "Fin de proceso con errores");
    EXPECT_NE(messages.back().text.find("• a.png: no se guardó: su resultado tendría el mismo nombre que el de a.jpg"),
              std::string::npos)
        << messages.back().text;
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_TextInformativo));
    EXPECT_EQ(controls().text(Gadget_Principal_TextInformativo),
              "Atención: 1 imagen no guardada por tener el mismo nombre de salida que otra");
    if (const char* shot = std::getenv("TESSELON_SHOT")) window().grab().save(shot);
}

}  // namespace
}  // namespace tesselon::testing
