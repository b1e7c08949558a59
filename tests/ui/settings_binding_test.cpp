#include <gtest/gtest.h>

#include "core/state.h"
#include "main_window_fixture.h"
#include "ui/format_controls.h"
#include "ui/main_window_controls.h"
#include "ui/requesters.h"
#include "ui/settings_binding.h"

namespace tesselon::testing {
namespace {

class SettingsBinding : public MainWindowTest {
protected:
    AppState state;
    STRProcesosEntorno& env = state.settings.entorno;
    STRProcesosImage& img = state.settings.image;
    STRProcesosTexto& texto = state.settings.texto;
};

TEST_F(SettingsBinding, SourcePathGainsASeparatorInEitherModeAndEmptyStaysEmpty) {
    ControlRegistry& c = controls();
    const std::pair<const char*, const char*> local[] = {
        {"/fotos", "/fotos/"}, {"/fotos/", "/fotos/"}, {"C:\\fotos\\", "C:\\fotos\\"}, {"", ""}};
    for (auto [typed, stored] : local) {
        c.setState(Gadget_Principal_Archivo_Option_OrigenLocal, 1);
        c.setText(Gadget_Principal_Archivo_String_RutaImagenes, typed);
        bindEnvironment(state, c, BindDirection::Read);
        EXPECT_EQ(env.RutaOrigenLocal, stored) << typed;
        EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenes), stored);
    }
    c.setState(Gadget_Principal_Archivo_Option_OrigenRemoto, 1);
    c.setText(Gadget_Principal_Archivo_String_RutaImagenes, "/www/up");
    bindEnvironment(state, c, BindDirection::Read);
    EXPECT_EQ(env.LocalRemoto, "R");
    EXPECT_EQ(env.RutaOrigenRemoto, "/www/up/");
    EXPECT_EQ(env.RutaOrigenLocal, "");  // untouched in remote mode

    // An empty destination must not become the root folder the batch would write to.
    c.setText(Gadget_Principal_Archivo_String_RutaImagenesDestino, "");
    bindEnvironment(state, c, BindDirection::Read);
    EXPECT_EQ(env.RutaImagenesDestino, "");
}

TEST_F(SettingsBinding, EnvironmentShowsTheRecordAndReadsItBack) {
    env.LocalRemoto = "L";
    env.RutaOrigenLocal = "/src";
    env.RutaOrigenRemoto = "/remote/";
    env.servidor = "ftp.test";
    env.RutaEnLocalDeRemotoDescargadas = "/dl/";
    env.ExtensionesActivas = "PNG|GIF";
    env.imagenesRecursivo = 1;
    env.imagenesSobreescribir = 0;
    env.RutaImagenesDestino = "/dst";
    env.FormatoImagen = "gif";
    env.CalidadGrabacion = 73;
    ControlRegistry& c = controls();
    bindEnvironment(state, c, BindDirection::Show);
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenes), "/src/");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_ServidorNombre), "ftp.test");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenesDescargadas), "/dl/");
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG), 0);
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG), 1);
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF), 1);
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_Subcarpetas), 1);
    EXPECT_EQ(env.RutaImagenesDestino, "/dst/");  // normalised in the record too
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_Option_ExtensionGIF), 1);
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_TrackBar_GrabarCalidad), 73);
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_GrabarCalidad), "73");
    EXPECT_TRUE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    EXPECT_FALSE(c.isVisible(Gadget_Principal_Archivo_String_RutaImagenesDescargadas));

    bindEnvironment(state, c, BindDirection::Read);
    EXPECT_EQ(env.RutaOrigenLocal, "/src/");
    EXPECT_EQ(env.ExtensionesActivas, "PNG|GIF");
    EXPECT_EQ(env.FormatoImagen, "gif");
    EXPECT_EQ(env.CalidadGrabacion, 73);
    EXPECT_EQ(env.imagenesRecursivo, 1);

    // An unknown format selects no option; reading then falls back to the original.
    env.FormatoImagen = "JPG";
    bindEnvironment(state, c, BindDirection::Show);
    for (int id : {Gadget_Principal_Archivo_Option_ExtensionORIGEN, Gadget_Principal_Archivo_Option_ExtensionJPG,
                   Gadget_Principal_Archivo_Option_ExtensionPNG, Gadget_Principal_Archivo_Option_ExtensionGIF})
        EXPECT_EQ(c.state(id), 0) << id;
    bindEnvironment(state, c, BindDirection::Read);
    EXPECT_EQ(env.FormatoImagen, "original");
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_Option_ExtensionORIGEN), 1);
}

TEST_F(SettingsBinding, WebFormatsAreShownAndReadLikeTheOthers) {
    ControlRegistry& c = controls();
    const auto source = [](const char* label) {
        for (const FormatControl& f : sourceFormatControls())
            if (f.format->label == label) return f.id;
        return 0;
    };
    const auto result = [](const char* label) {
        for (const FormatControl& f : resultFormatControls())
            if (f.format->label == label) return f.id;
        return 0;
    };
    // A settings file of an older version keeps its meaning.
    env.ExtensionesActivas = "JPG|JPEG|PNG";
    env.FormatoImagen = "png";
    bindEnvironment(state, c, BindDirection::Show);
    for (const char* label : {"WEBP", "AVIF", "HEIC", "HEIF"}) EXPECT_EQ(c.state(source(label)), 0) << label;
    EXPECT_EQ(c.state(result("PNG")), 1);

    env.ExtensionesActivas = "PNG|WEBP|HEIF";
    env.FormatoImagen = "avif";
    bindEnvironment(state, c, BindDirection::Show);
    EXPECT_EQ(c.state(source("WEBP")), 1);
    EXPECT_EQ(c.state(source("HEIF")), 1);
    EXPECT_EQ(c.state(source("HEIC")), 0);
    EXPECT_EQ(c.state(source("AVIF")), 0);
    EXPECT_EQ(c.state(result("AVIF")), 1);
    EXPECT_EQ(c.state(result("PNG")), 0);

    c.setState(source("JPG"), 1);
    c.setState(source("HEIC"), 1);
    c.setState(result("WEBP"), 1);
    bindEnvironment(state, c, BindDirection::Read);
    EXPECT_EQ(env.ExtensionesActivas, "JPG|JPEG|PNG|WEBP|HEIC|HEIF");
    EXPECT_EQ(env.FormatoImagen, "webp");
}

TEST_F(SettingsBinding, RemoteModeShowsTheFtpControlsInsteadOfTheFolderButton) {
    env.LocalRemoto = "R";
    env.RutaOrigenRemoto = "/up";
    bindEnvironment(state, controls(), BindDirection::Show);
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenes), "/up/");
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_Option_OrigenRemoto), 1);
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota));
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_ButtonImage_DescargarFTP));

    // A mode that is neither: the remote path as it is, then the local controls.
    env.LocalRemoto = "X";
    env.RutaOrigenRemoto = "/raw";
    bindEnvironment(state, controls(), BindDirection::Show);
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenes), "/raw");
    EXPECT_EQ(controls().state(Gadget_Principal_Archivo_Option_OrigenLocal), 1);
}

TEST_F(SettingsBinding, RotationAndColoursOfTheImageOperations) {
    ControlRegistry& c = controls();
    const std::pair<int, int> rotations[] = {{45, 45}, {400, 0}, {-5, 359}, {90, 90}};
    for (auto [stored, shown] : rotations) {
        img.Rotar = stored;
        bindImageOps(state, c, BindDirection::Show);
        EXPECT_EQ(img.Rotar, shown);
        if (shown == 90) {
            EXPECT_EQ(c.state(Gadget_Principal_Basico_Option_Rotar90), 1);
        } else {
            EXPECT_EQ(c.state(Gadget_Principal_Basico_Option_RotarLibre), 1);
            EXPECT_EQ(c.state(Gadget_Principal_Basico_Spin_RotarLibre), shown);
        }
    }
    img.ColorFondo = 0x010203;
    img.TinteColor = 0xFEDCBA;
    img.Contraste = 12;
    img.ResizeH = 1234;
    bindImageOps(state, c, BindDirection::Show);
    EXPECT_EQ(c.text(Gadget_Principal_Basico_Text_Contraste), "12");
    EXPECT_EQ(c.text(Gadget_Principal_Basico_Text_ResizeH), "1234");

    img = STRProcesosImage{};
    bindImageOps(state, c, BindDirection::Read);
    EXPECT_EQ(img.ColorFondo, 0x010203);
    EXPECT_EQ(img.TinteColor, 0xFEDCBA);
    EXPECT_EQ(img.Contraste, 12);
    EXPECT_EQ(img.ResizeH, 1234);
    EXPECT_EQ(img.Rotar, 90);

    // No rotation option selected reads as 0; a spin beyond its range wraps on read.
    c.setState(Gadget_Principal_Basico_Option_Rotar90, 0);
    bindImageOps(state, c, BindDirection::Read);
    EXPECT_EQ(img.Rotar, 0);
    c.setState(Gadget_Principal_Basico_Option_RotarLibre, 1);
    c.setState(Gadget_Principal_Basico_Spin_RotarLibre, -1);
    bindImageOps(state, c, BindDirection::Read);
    EXPECT_EQ(img.Rotar, 359);
    EXPECT_EQ(c.state(Gadget_Principal_Basico_Spin_RotarLibre), 359);
}

TEST_F(SettingsBinding, LineSpacingTransparencyAndBorderColour) {
    STRFuente& f = texto.FuenteUsada;
    f.Nombre = "Arial";
    f.Tamagno = 24;
    f.Bold = 256;
    f.Interlinea = 2.0f;
    f.TransparenciaInterior = 10;
    f.TransparenciaBorde = 250;
    f.ColorBorde = 0x00FAFF;
    ControlRegistry& c = controls();
    bindTextOverlay(state, c, BindDirection::Show);
    EXPECT_EQ(c.state(Gadget_Principal_TrackBar_Interlineado), 5);
    EXPECT_EQ(c.text(Gadget_Principal_Text_Interlineado), "2.00");
    EXPECT_EQ(c.text(Gadget_Principal_Text_TransparenciaInterior), "10");
    EXPECT_EQ(c.text(Gadget_Principal_Text_TransparenciaBorde), "250");
    EXPECT_EQ(c.text(Gadget_Principal_Text_FuenteUsada), "Arial, 24, Negrita");
    bindTextOverlay(state, c, BindDirection::Read);
    EXPECT_EQ(f.Interlinea, 2.0f);
    EXPECT_EQ(f.ColorBorde, 0x00FAFF);

    f.Interlinea = 2.5f;
    bindTextOverlay(state, c, BindDirection::Show);
    EXPECT_EQ(c.state(Gadget_Principal_TrackBar_Interlineado), 8);
    EXPECT_EQ(c.text(Gadget_Principal_Text_Interlineado), "2.50");
    bindTextOverlay(state, c, BindDirection::Read);
    EXPECT_FLOAT_EQ(f.Interlinea, 2.6f);
}

TEST_F(SettingsBinding, PositionOutsideTheNineSelectsNoneAndIsKept) {
    ControlRegistry& c = controls();
    texto.TextoPosicion = 9;
    bindTextPosition(state, c, BindDirection::Show);
    EXPECT_EQ(c.state(Gadget_Principal_Option_POSTXT_Right_Bottom), 1);
    texto.TextoPosicion = 3;
    bindTextPosition(state, c, BindDirection::Show);
    for (int id = Gadget_Principal_Option_POSTXT_Left_Up; id <= Gadget_Principal_Option_POSTXT_Right_Bottom; ++id)
        EXPECT_EQ(c.state(id), 0) << id;
    bindTextPosition(state, c, BindDirection::Read);
    EXPECT_EQ(texto.TextoPosicion, 3);
    c.setState(Gadget_Principal_Option_POSTXT_Left_Mid, 1);
    bindTextPosition(state, c, BindDirection::Read);
    EXPECT_EQ(texto.TextoPosicion, 4);
}

class OneAnswer : public Requesters {
public:
    RequesterAnswer answer;
    std::vector<RequesterCall> calls;
    RequesterAnswer request(const RequesterCall& call) override {
        calls.push_back(call);
        return answer;
    }
};

TEST_F(SettingsBinding, FontDescriptionAndChooser) {
    STRFuente& f = texto.FuenteUsada;
    f = STRFuente{"Arial", 24, 0x112233, 0, 0, 0, 0, 0, 2.0f, 0, 0};
    EXPECT_EQ(describeFont(state, controls(), nullptr), "Arial, 24, Normal");
    OneAnswer cancel;
    EXPECT_EQ(describeFont(state, controls(), &cancel), "Arial, 24, Normal");
    ASSERT_EQ(cancel.calls.size(), 1u);
    EXPECT_EQ(cancel.calls[0].font.colour, 0x112233u);

    OneAnswer chosen;
    chosen.answer = RequesterAnswer{true, {}, 0, FontChoice{"Carlito", 30, 0xABCDEF, true, true, true, true}};
    EXPECT_EQ(describeFont(state, controls(), &chosen), "Carlito, 30, Negrita, Cursiva, Subrayado, Tachado");
    EXPECT_EQ(f.Bold, 256);
    EXPECT_EQ(f.Cursiva, 512);
    EXPECT_EQ(f.Subrayado, 4);
    EXPECT_EQ(f.Tachado, 8);
    EXPECT_EQ(f.Color, 0xABCDEF);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_FuenteUsada), "Carlito, 30, Negrita, Cursiva, Subrayado, Tachado");
}

TEST_F(SettingsBinding, CountsOfImagesPhrasesAndExtensions) {
    ControlRegistry& c = controls();
    showCounts(state, c, 0);
    EXPECT_EQ(c.text(Gadget_Principal_Text_InfoNumImagenes), "0000000/0000000");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_NumImagenesEnRuta), "0000000");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas), "");
    EXPECT_EQ(c.text(Gadget_Principal_Frame_ArchivoTextos), "Archivo de Textos");
    EXPECT_FALSE(c.isEnabled(Gadget_Principal_Button_Procesar));

    state.SourceImageList.entries.resize(120);
    state.PhrasesList = {"a", "b"};
    env.UltimasExtensionesDescargadas = "JPG, JPEG";
    showCounts(state, c, 2);
    EXPECT_EQ(c.text(Gadget_Principal_Text_InfoNumImagenes), "0000003/0000120");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_NumImagenesEnRuta), "0000120");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas),
              "Extensiones Extraídas: (JPG, JPEG) ");
    EXPECT_EQ(c.text(Gadget_Principal_Frame_ArchivoTextos), "Archivo de Textos (2 frases)");
    EXPECT_TRUE(c.isEnabled(Gadget_Principal_Button_Procesar));
}

}  // namespace
}  // namespace tesselon::testing
