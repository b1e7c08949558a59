// Window 1's events on the image and text settings: trackbars with their labels, the
// spin, the colour swatches, the font, the positions, the switches, and which of them
// refresh the preview.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include "app_fixture.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using SettingEvents = DesktopTest;

TEST_F(SettingEvents, TrackbarsStoreTheirValueShowItAndPreviewUnlessTheyAreSizes) {
    startWithImages(1);
    const STRProcesosImage& img = state().settings.image;
    const STRFuente& font = state().settings.texto.FuenteUsada;
    struct Case {
        int trackbar, value, label;
        std::function<double()> field;
        const char* shown;
        bool previews;
    };
    const Case cases[] = {
        {Gadget_Principal_Basico_TrackBar_Contraste, 120, Gadget_Principal_Basico_Text_Contraste, [&] { return img.Contraste; }, "120", true},
        {Gadget_Principal_Basico_TrackBar_CantidadTinte, 35, Gadget_Principal_Basico_Text_CantidadTinte, [&] { return img.TinteCantidad; }, "35", true},
        {Gadget_Principal_Basico_TrackBar_ResizeH, 640, Gadget_Principal_Basico_Text_ResizeH, [&] { return img.ResizeH; }, "640", false},
        {Gadget_Principal_Basico_TrackBar_ResizeV, 480, Gadget_Principal_Basico_Text_ResizeV, [&] { return img.ResizeV; }, "480", false},
        {Gadget_Principal_TrackBar_Interlineado, 8, Gadget_Principal_Text_Interlineado, [&] { return font.Interlinea; }, "2.60", true},
        {Gadget_Principal_TrackBar_TransparenciaInterior, 200, Gadget_Principal_Text_TransparenciaInterior, [&] { return font.TransparenciaInterior; }, "200", true},
        {Gadget_Principal_TrackBar_TransparenciaBorde, 7, Gadget_Principal_Text_TransparenciaBorde, [&] { return font.TransparenciaBorde; }, "7", true},
        {Gadget_Principal_Archivo_TrackBar_GrabarCalidad, 40, Gadget_Principal_Archivo_Text_GrabarCalidad, [&] { return state().settings.entorno.CalidadGrabacion; }, "40", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(previews([&] { slide(c.trackbar, c.value); }), c.previews) << c.trackbar;
        EXPECT_EQ(controls().text(c.label), c.shown) << c.trackbar;
        EXPECT_FLOAT_EQ(float(c.field()), c.trackbar == Gadget_Principal_TrackBar_Interlineado ? 2.6f : float(c.value));
    }
}

TEST_F(SettingEvents, QualityIsPreviewedWhenTheMouseLetsItsTrackbarGo) {
    startWithImages(1);
    auto* quality = controls().widget(Gadget_Principal_Archivo_TrackBar_GrabarCalidad);
    controls().setState(Panel_Principal, 0);
    quality->setFocus();
    const QPointF at(quality->width() / 2, quality->height() / 2);
    QMouseEvent release(QEvent::MouseButtonRelease, at, quality->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    EXPECT_TRUE(previews([&] { QCoreApplication::sendEvent(quality, &release); }));

    // Released elsewhere while another control has the focus: nothing.
    controls().widget(Gadget_Principal_Archivo_CheckBox_Sobreescribir)->setFocus();
    QMouseEvent away(QEvent::MouseButtonRelease, QPointF(500, 20), window().mapToGlobal(QPointF(500, 20)),
                     Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(previews([&] { QCoreApplication::sendEvent(&window(), &away); }));
}

TEST_F(SettingEvents, ReleasingADraggedTrackbarAppliesWhereItStopped) {
    startWithImages(1);
    auto* contrast = qobject_cast<QSlider*>(controls().widget(Gadget_Principal_Basico_TrackBar_Contraste));
    // Positions passed while the handler was busy were never handled.
    window().eventGate().suspend();
    contrast->setValue(90);
    window().eventGate().resume();
    EXPECT_EQ(state().settings.image.Contraste, 0);
    const QPointF at(3, 3);
    QMouseEvent release(QEvent::MouseButtonRelease, at, contrast->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(contrast, &release);
    EXPECT_EQ(state().settings.image.Contraste, contrast->value());
    EXPECT_EQ(controls().text(Gadget_Principal_Basico_Text_Contraste), std::to_string(contrast->value()));
    // A release where the last handled position still stands changes nothing.
    EXPECT_FALSE(previews([&] { QCoreApplication::sendEvent(contrast, &release); }));
}

TEST_F(SettingEvents, FreeAngleSpinWrapsAndSelectsFreeRotation) {
    startWithImages(1);
    ControlRegistry& c = controls();
    EXPECT_EQ(c.state(Gadget_Principal_Basico_Option_Rotar0), 1);
    EXPECT_TRUE(previews([&] { spin(Gadget_Principal_Basico_Spin_RotarLibre, 45); }));
    EXPECT_EQ(c.state(Gadget_Principal_Basico_Option_RotarLibre), 1);
    EXPECT_EQ(state().settings.image.Rotar, 45);
    spin(Gadget_Principal_Basico_Spin_RotarLibre, 360);
    EXPECT_EQ(state().settings.image.Rotar, 0);
    EXPECT_EQ(c.state(Gadget_Principal_Basico_Spin_RotarLibre), 0);
    spin(Gadget_Principal_Basico_Spin_RotarLibre, -1);
    EXPECT_EQ(state().settings.image.Rotar, 359);
    EXPECT_EQ(c.state(Gadget_Principal_Basico_Spin_RotarLibre), 359);
    // The options take effect through the preview's reading of the controls.
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Basico_Option_Rotar90); }));
    EXPECT_EQ(state().settings.image.Rotar, 90);
}

TEST_F(SettingEvents, ColourSwatchesTakeAChosenColourAndKeepTheirsOnCancel) {
    startWithImages(1);
    struct Case {
        int button, swatch;
        std::function<int32_t()> field;
    };
    const Case cases[] = {
        {Gadget_Principal_Basico_ButtonImage_ColorFondo, Gadget_Principal_Basico_Text_ColorFondo, [&] { return state().settings.image.ColorFondo; }},
        {Gadget_Principal_Basico_ButtonImage_ColorTinte, Gadget_Principal_Basico_Text_ColorTinte, [&] { return state().settings.image.TinteColor; }},
        {Gadget_Principal_ButtonImage_ColorBorde, Gadget_Principal_Text_ColorBordeActual, [&] { return state().settings.texto.FuenteUsada.ColorBorde; }},
    };
    for (const Case& c : cases) {
        const int32_t before = c.field();
        EXPECT_TRUE(previews([&] { click(c.button); })) << "a cancel previews too";
        EXPECT_EQ(requests.back().kind, RequesterKind::Colour);
        EXPECT_EQ(requests.back().colour, uint32_t(before));
        EXPECT_EQ(c.field(), before);

        requesterAnswers = {colour(0x123456)};
        EXPECT_TRUE(previews([&] { click(c.button); }));
        EXPECT_EQ(c.field(), 0x123456);
        EXPECT_EQ(controls().backColour(c.swatch), 0x123456u);
    }
}

TEST_F(SettingEvents, SwitchesOfTheImageTab) {
    startWithImages(1);
    STRProcesosImage& img = state().settings.image;
    EXPECT_FALSE(previews([&] { click(Gadget_Principal_Basico_CheckBox_ResizeActivo); }));
    EXPECT_EQ(img.ResizeActivo, 1);
    EXPECT_FALSE(previews([&] { click(Gadget_Principal_Basico_CheckBox_ResizeProporcional); }));
    EXPECT_EQ(img.ResizeProporcional, 0);
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Basico_CheckBox_TextoEnImagen); }));
    EXPECT_EQ(img.MarcaDeAgua, 0);
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Basico_CheckBox_RotarAntesQueTexto); }));
    EXPECT_EQ(img.RotarAntesQueTexto, 0);
    for (int id : {Gadget_Principal_Basico_CheckBox_EspejoH, Gadget_Principal_Basico_CheckBox_EspejoV,
                   Gadget_Principal_Basico_CheckBox_Invertir, Gadget_Principal_Basico_CheckBox_EscalaGrises,
                   Gadget_Principal_Basico_CheckBox_Tintar})
        EXPECT_TRUE(previews([&] { click(id); })) << id;
    EXPECT_EQ(img.EspejoH + img.EspejoV + img.InvertirColores + img.EscalaGrises + img.TintarImagen, 5);

    click(Gadget_Principal_Basico_Button_ResizeProporcionAyuda);
    EXPECT_EQ(messages.back().title, "Ayuda redimensión proporcional");
    EXPECT_EQ(messages.back().icon, MessageIcon::Information);
    EXPECT_EQ(messages.back().text,
              "Activo: El tamaño máximo de la imagen será el ancho definido o el alto.\r\n\r\nLo primero que se "
              "encuentre para evitar imágenes con un ancho o alto superior a los señalados.");
}

TEST_F(SettingEvents, WatermarkSwitchChoosesBetweenPhrasesAndWatermark) {
    startWithImages(1, [](Settings& s) { s.texto.SoloMarcadeAgua = 0; });
    ControlRegistry& c = controls();
    EXPECT_TRUE(c.isEnabled(Gadget_Principal_String_RutaCsvTextos));
    EXPECT_FALSE(c.isEnabled(Gadget_Principal_String_MarcaAgua));
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_CheckBox_UsarMarca); }));
    EXPECT_EQ(state().settings.texto.SoloMarcadeAgua, 1);
    EXPECT_FALSE(c.isEnabled(Gadget_Principal_String_RutaCsvTextos));
    EXPECT_FALSE(c.isEnabled(Gadget_Principal_ButtonImage_RutaCSVTextos));
    EXPECT_TRUE(c.isEnabled(Gadget_Principal_String_MarcaAgua));

    auto* field = qobject_cast<QLineEdit*>(c.widget(Gadget_Principal_String_MarcaAgua));
    field->clear();
    QTest::keyClicks(field, "  Hola|mundo ");
    EXPECT_EQ(state().settings.texto.TextoMarcaAgua, "Hola|mundo");
}

TEST_F(SettingEvents, PhrasesFileChooserReadsThePhrasesAndCountsThem) {
    programFolder.write("frases.txt", "uno\r\n\r\ndos\r\n");
    startWithImages(1, [](Settings& s) { s.texto.SoloMarcadeAgua = 0; });
    click(Gadget_Principal_ButtonImage_RutaCSVTextos);  // cancelled
    EXPECT_EQ(requests.back().title, "Selecciona el archivo con los textos");
    EXPECT_EQ(requests.back().filters, "Texto (*.txt)|*.txt|Todos (*.*)|*.*");
    EXPECT_EQ(controls().text(Gadget_Principal_Frame_ArchivoTextos), "Archivo de Textos");

    requesterAnswers = {path(programFolder.file("frases.txt"))};
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_ButtonImage_RutaCSVTextos); }));
    const PackedStrings& phrases = state().PhrasesList;
    EXPECT_EQ(std::vector<std::string>(phrases.begin(), phrases.end()), (std::vector<std::string>{"uno", "", "dos"}));
    EXPECT_EQ(controls().text(Gadget_Principal_String_RutaCsvTextos), programFolder.file("frases.txt"));
    EXPECT_EQ(controls().text(Gadget_Principal_Frame_ArchivoTextos), "Archivo de Textos (3 frases)");
}

TEST_F(SettingEvents, FontChooserWithColourUnderlineAndStrikeOut) {
    startWithImages(1);
    STRFuente& f = state().settings.texto.FuenteUsada;
    EXPECT_EQ(controls().text(Gadget_Principal_Text_FuenteUsada), "Arial, 24, Negrita, Cursiva");

    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Button_Font); }));  // cancelled
    EXPECT_EQ(requests.back().kind, RequesterKind::Font);
    EXPECT_EQ(requests.back().font, (FontChoice{"Arial", 24, 0, true, true, false, false}));
    EXPECT_EQ(f.Nombre, "Arial");

    requesterAnswers = {font(FontChoice{"DejaVu Serif", 18, 0x0000FF, false, false, true, true})};
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Button_Font); }));
    EXPECT_EQ(f.Nombre, "DejaVu Serif");
    EXPECT_EQ(f.Tamagno, 18);
    EXPECT_EQ(f.Color, 0x0000FF);
    EXPECT_EQ(f.Bold, 0);
    EXPECT_EQ(f.Cursiva, 0);
    EXPECT_EQ(f.Subrayado, 4);
    EXPECT_EQ(f.Tachado, 8);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_FuenteUsada), "DejaVu Serif, 18, Normal, Subrayado, Tachado");
}

TEST_F(SettingEvents, PositionOptionsStoreTheirCode) {
    startWithImages(1);
    const std::pair<int, int> options[] = {
        {Gadget_Principal_Option_POSTXT_Left_Up, 0},    {Gadget_Principal_Option_POSTXT_Left_Mid, 4},
        {Gadget_Principal_Option_POSTXT_Left_Bottom, 8}, {Gadget_Principal_Option_POSTXT_Mid_Top, 2},
        {Gadget_Principal_Option_POSTXT_Mid_Mid, 6},    {Gadget_Principal_Option_POSTXT_Mid_Bottom, 10},
        {Gadget_Principal_Option_POSTXT_Right_Top, 1},  {Gadget_Principal_Option_POSTXT_Right_Mid, 5},
        {Gadget_Principal_Option_POSTXT_Right_Bottom, 9}};
    EXPECT_EQ(controls().state(Gadget_Principal_Option_POSTXT_Mid_Mid), 1);  // the default 6
    for (auto [option, code] : options) {
        EXPECT_TRUE(previews([&] { click(option); })) << option;
        EXPECT_EQ(state().settings.texto.TextoPosicion, code);
    }
}

}  // namespace
}  // namespace tesselon::testing
