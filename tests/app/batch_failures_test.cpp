// What the desktop user is told at the end of a batch in which images failed: a warning
// that says how many were converted and names the first ten that were not, with the
// reason of each; the status line keeps the count.
#include <gtest/gtest.h>

#include <filesystem>

#include "app_fixture.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using BatchFailures = DesktopTest;

size_t countOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(BatchFailures, AFileThatIsNoImageIsNamedWithItsReasonInAWarning) {
    source.write("falso.jpg", "x");
    ASSERT_TRUE(writeSolidImage(source.file("a.png"), 60, 40, colourOf(0)));
    ASSERT_TRUE(writeSolidImage(source.file("b.png"), 70, 40, colourOf(1)));
    startScanningSource();
    ASSERT_EQ(state().SourceImageList.size(), 3u);
    click(Gadget_Principal_Button_Procesar);

    ASSERT_FALSE(messages.empty());
    const Shown& end = messages.back();
    EXPECT_EQ(end.title, "Fin de proceso con errores");
    EXPECT_EQ(end.icon, MessageIcon::Warning);
    EXPECT_EQ(end.buttons, MessageButtons::Ok);
    EXPECT_EQ(end.text.find("Todas las imágenes"), std::string::npos) << end.text;
    EXPECT_NE(end.text.find("Se convirtieron 2 de 3 imágenes."), std::string::npos) << end.text;
    EXPECT_NE(end.text.find("falso.jpg: no es una imagen válida o está dañada"), std::string::npos) << end.text;
    EXPECT_EQ(controls().text(Gadget_Principal_TextInformativo), "Atención: 1 imagen no se pudo convertir");
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_TextInformativo));
    EXPECT_EQ(filesUnder(destination.path()).size(), 2u);
}

TEST_F(BatchFailures, OnlyTheFirstTenFailuresAreNamedAndTheRestCounted) {
    for (int i = 0; i < 12; ++i) source.write("roto" + std::to_string(10 + i) + ".jpg", "no soy una foto");
    // One more that vanishes between the scan and the batch.
    source.write("borrada.png", "x");
    ASSERT_TRUE(writeSolidImage(source.file("a.png"), 60, 40, colourOf(0)));
    startScanningSource();
    ASSERT_EQ(state().SourceImageList.size(), 14u);
    std::filesystem::remove(source.file("borrada.png"));
    click(Gadget_Principal_Button_Procesar);

    const std::string& text = messages.back().text;
    EXPECT_EQ(messages.back().title, "Fin de proceso con errores");
    EXPECT_NE(text.find("Se convirtió 1 de 14 imágenes."), std::string::npos) << text;
    EXPECT_EQ(countOf(text, ": no es una imagen válida o está dañada") + countOf(text, ": el archivo ya no existe"), 10u)
        << text;
    EXPECT_NE(text.find("… y 3 más."), std::string::npos) << text;
    EXPECT_EQ(controls().text(Gadget_Principal_TextInformativo), "Atención: 13 imágenes no se pudieron convertir");
}

TEST_F(BatchFailures, ABatchWithoutFailuresKeepsThePlainEndBox) {
    startWithImages(2);
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(messages.back().title, "Fin de proceso");
    EXPECT_EQ(messages.back().text, "Todas las imágenes y textos fueron procesados");
    EXPECT_EQ(messages.back().icon, MessageIcon::Information);
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_TextInformativo));
}

}  // namespace
}  // namespace tesselon::testing
