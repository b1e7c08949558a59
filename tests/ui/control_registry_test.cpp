#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <vector>

#include "main_window_fixture.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

class ControlRegistryTest : public MainWindowTest {
protected:
    ControlRegistryTest() {
        controls().setEventSink([this](int id, ControlEventKind kind) { events.push_back({id, kind}); });
    }
    struct Seen {
        int id;
        ControlEventKind kind;
    };
    std::vector<Seen> events;
};

TEST_F(ControlRegistryTest, SwatchReturnsExactlyTheColourLastSet) {
    for (uint32_t colour : {0x123456u, 0x000001u, 0xFFFFFFu, 0x000000u}) {
        controls().setBackColour(Gadget_Principal_Basico_Text_ColorTinte, colour);
        EXPECT_EQ(controls().backColour(Gadget_Principal_Basico_Text_ColorTinte), colour);
    }
    controls().setBackColour(Gadget_Principal_Basico_Text_ColorFondo, 0x00ABCDEF);
    EXPECT_EQ(widget<QLabel>(Gadget_Principal_Basico_Text_ColorFondo)->palette().color(QPalette::Window),
              QColor(0xEF, 0xCD, 0xAB));
    // Only the colour bytes are kept.
    controls().setTextColour(Gadget_Principal_Text_ColorBordeActual, 0xFF00FF00u);
    EXPECT_EQ(controls().textColour(Gadget_Principal_Text_ColorBordeActual), 0x00FF00u);
}

TEST_F(ControlRegistryTest, TextsOfEachKind) {
    controls().setText(Gadget_Principal_String_MarcaAgua, "Marca ñ");
    EXPECT_EQ(controls().text(Gadget_Principal_String_MarcaAgua), "Marca ñ");

    // Captions are plain text: an ampersand is no mnemonic.
    controls().setText(Gadget_Principal_Button_Procesar, "Sí & No");
    EXPECT_EQ(controls().text(Gadget_Principal_Button_Procesar), "Sí & No");
    EXPECT_EQ(widget<QPushButton>(Gadget_Principal_Button_Procesar)->text(), "Sí && No");

    // A multi-line caption wraps to the button but reads back as given.
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_ButtonNumImagesActualizar), "Escanear Imágenes");
    EXPECT_EQ(widget<QPushButton>(Gadget_Principal_Archivo_ButtonNumImagesActualizar)->text(), "Escanear\nImágenes");

    controls().setText(Gadget_Principal_Frame_ArchivoTextos, "Archivo de Textos (3 frases)");
    EXPECT_EQ(controls().text(Gadget_Principal_Frame_ArchivoTextos), "Archivo de Textos (3 frases)");

    controls().setText(Gadget_Principal_Basico_Spin_RotarLibre, "45");
    EXPECT_EQ(controls().state(Gadget_Principal_Basico_Spin_RotarLibre), 45);
    EXPECT_EQ(controls().text(Gadget_Principal_Basico_Spin_RotarLibre), "45");
    controls().setText(Gadget_Principal_Basico_Spin_RotarLibre, "4x");  // not a number: unchanged
    EXPECT_EQ(controls().state(Gadget_Principal_Basico_Spin_RotarLibre), 45);

    EXPECT_EQ(controls().text(999), "");
    controls().setText(999, "nada");  // unknown numbers are ignored
}

TEST_F(ControlRegistryTest, StatesAndRanges) {
    controls().setState(Gadget_Principal_Archivo_CheckBox_Subcarpetas, 1);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_CheckBox_Subcarpetas), 1);
    controls().setState(Gadget_Principal_Archivo_CheckBox_Subcarpetas, 0);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_CheckBox_Subcarpetas), 0);

    // Trackbars keep within their range.
    controls().setState(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, 5);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_TrackBar_GrabarCalidad), 10);
    controls().setState(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, 75);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_TrackBar_GrabarCalidad), 75);
    controls().setRange(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, 0, 50);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_TrackBar_GrabarCalidad), 50);

    // Selecting an option clears its group; clearing the selected one leaves none.
    controls().setState(Gadget_Principal_Archivo_Option_ExtensionJPG, 1);
    controls().setState(Gadget_Principal_Archivo_Option_ExtensionPNG, 1);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_Option_ExtensionJPG), 0);
    controls().setState(Gadget_Principal_Archivo_Option_ExtensionPNG, 0);
    for (int id = Gadget_Principal_Archivo_Option_ExtensionORIGEN; id <= Gadget_Principal_Archivo_Option_ExtensionGIF;
         ++id)
        EXPECT_EQ(controls().state(id), 0) << id;
    // The group is still exclusive afterwards.
    controls().setState(Gadget_Principal_Archivo_Option_ExtensionGIF, 1);
    controls().setState(Gadget_Principal_Archivo_Option_ExtensionORIGEN, 1);
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_Option_ExtensionGIF), 0);

    controls().setState(Panel_Principal, 2);
    EXPECT_EQ(controls().state(Panel_Principal), 2);
    controls().setState(Panel_Principal, 9);  // no such tab
    EXPECT_EQ(controls().state(Panel_Principal), 2);
}

TEST_F(ControlRegistryTest, ValuesSetByTheProgramRaiseNoEvents) {
    controls().setState(Gadget_Principal_Basico_CheckBox_Invertir, 1);
    controls().setState(Gadget_Principal_Basico_TrackBar_Contraste, 100);
    controls().setState(Gadget_Principal_Basico_Spin_RotarLibre, 90);
    controls().setText(Gadget_Principal_String_MarcaAgua, "otro texto");
    controls().setState(Gadget_Principal_Option_POSTXT_Mid_Mid, 1);
    controls().setState(Panel_Principal, 1);
    controls().setRange(Gadget_Principal_Basico_TrackBar_Contraste, 0, 10);
    EXPECT_TRUE(events.empty());
}

TEST_F(ControlRegistryTest, UserActionsRaiseEvents) {
    window.show();
    controls().setState(Panel_Principal, 1);
    events.clear();

    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_Basico_Button_ResizeProporcionAyuda), Qt::LeftButton);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, Gadget_Principal_Basico_Button_ResizeProporcionAyuda);
    EXPECT_EQ(events[0].kind, ControlEventKind::Clicked);

    events.clear();
    auto* contrast = widget<QSlider>(Gadget_Principal_Basico_TrackBar_Contraste);
    controls().setState(Gadget_Principal_Basico_TrackBar_Contraste, 0);
    contrast->setFocus();
    QTest::keyClick(contrast, Qt::Key_Right);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().id, Gadget_Principal_Basico_TrackBar_Contraste);
    EXPECT_EQ(events.back().kind, ControlEventKind::Changed);
    EXPECT_EQ(controls().state(Gadget_Principal_Basico_TrackBar_Contraste), 1);

    controls().setState(Panel_Principal, 2);
    events.clear();
    auto* watermark = widget<QLineEdit>(Gadget_Principal_String_MarcaAgua);
    watermark->setFocus();
    QTest::keyClicks(watermark, "ab");
    QTest::keyClick(watermark, Qt::Key_Return);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, ControlEventKind::Changed);
    EXPECT_EQ(events[2].kind, ControlEventKind::EditFinished);
    EXPECT_EQ(events[2].id, Gadget_Principal_String_MarcaAgua);

    events.clear();
    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_ButtonImage_Cerrar), Qt::LeftButton);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, Gadget_Principal_ButtonImage_Cerrar);
}

TEST_F(ControlRegistryTest, ImagesFromImageObjects) {
    ImageObject image;
    image.width = 4;
    image.height = 2;
    image.depth = 24;
    image.pixels.assign(ImageObject::pitchFor(4, 24) * 2, 0);
    image.row(0)[2] = 0xFF;  // top-left red
    ASSERT_TRUE(controls().setImage(Gadget_Principal_Image_Resultado, image));
    const QImage shown = widget<QLabel>(Gadget_Principal_Image_Resultado)->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(4, 2));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(0, 1), QColor(0, 0, 0));

    ASSERT_TRUE(controls().setImage(Gadget_Principal_ButtonImage_ConfigSave, image));
    EXPECT_EQ(widget<QPushButton>(Gadget_Principal_ButtonImage_ConfigSave)->iconSize(), QSize(4, 2));

    // An empty image clears; a control without images refuses.
    EXPECT_FALSE(controls().setImage(Gadget_Principal_Image_Resultado, ImageObject{}));
    EXPECT_TRUE(widget<QLabel>(Gadget_Principal_Image_Resultado)->pixmap().isNull());
    EXPECT_FALSE(controls().setImage(Gadget_Principal_Button_Procesar, image));
}

TEST_F(ControlRegistryTest, OwnVisibilityAndEnabledFlags) {
    // A control on a hidden tab page or in a disabled container keeps its own flags.
    controls().setState(Panel_Principal, 0);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Basico_CheckBox_Tintar));
    controls().setEnabled(Container_Principal_Procesado, false);
    EXPECT_TRUE(controls().isEnabled(Gadget_Principal_Button_Procesar));
    EXPECT_FALSE(widget<QPushButton>(Gadget_Principal_Button_Procesar)->isEnabled());
    controls().setEnabled(Gadget_Principal_Button_Procesar, false);
    controls().setEnabled(Container_Principal_Procesado, true);
    EXPECT_FALSE(controls().isEnabled(Gadget_Principal_Button_Procesar));

    controls().setVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes, false);
    controls().setVisible(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota, true);
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota));
}

}  // namespace
}  // namespace tesselon::testing
