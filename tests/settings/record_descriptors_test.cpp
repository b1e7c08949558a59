#include <gtest/gtest.h>

#include "runtime/json/json_compose.h"
#include "runtime/json/json_parse.h"
#include "settings/record_descriptors.h"

namespace tesselon {
namespace {

template <class Record>
std::string composed(const Record& record, const RecordDescriptor<Record>& descriptor) {
    JsonDocument document;
    insertRecord(document.root(), record, descriptor);
    return composeJson(document);
}

TEST(RecordDescriptors, ConfigComposesLikeTheStoredFiles) {
    STRConfig config;
    config.autoUpdate = 1;
    EXPECT_EQ(composed(config, configDescriptor()), R"({"Cancelado":0,"autoUpdate":1})");
}

TEST(RecordDescriptors, FontComposesWithFloatWideningAndSignedValues) {
    STRFuente font;
    font.Nombre = "Arial";
    font.Tamagno = 24;
    font.Color = 255;
    font.Bold = 1;
    font.Interlinea = 1.2f;
    font.TransparenciaBorde = -1;
    EXPECT_EQ(composed(font, fuenteDescriptor()),
              R"({"ColorBorde":0,"Color":255,"Nombre":"Arial","Interlinea":1.200000048,"Tachado":0,)"
              R"("Cursiva":0,"Subrayado":0,"Bold":1,"Tamagno":24,"TransparenciaInterior":0,"TransparenciaBorde":-1})");
}

TEST(RecordDescriptors, ZeroImageRecordComposesInChainOrder) {
    EXPECT_EQ(composed(STRProcesosImage{}, imageDescriptor()),
              R"({"Contraste":0,"ResizeActivo":0,"ColorFondo":0,"RotarAntesQueTexto":0,"MarcaDeAgua":0,)"
              R"("ResizeH":0,"TintarImagen":0,"EspejoH":0,"ResizeV":0,"EscalaGrises":0,"Rotar":0,)"
              R"("ResizeProporcional":0,"TinteCantidad":0,"EspejoV":0,"InvertirColores":0,"TinteColor":0})");
}

TEST(RecordDescriptors, EnvironmentAndTextKeyOrders) {
    EXPECT_EQ(composed(STRProcesosEntorno{}, entornoDescriptor()),
              R"({"UltimasExtensionesDescargadas":"","TotalImagesOrigen":0,"Preview":0,"locked":0,)"
              R"("RutaOrigenRemoto":"","puerto":"","usuario":"","RutaOrigenLocal":"",)"
              R"("RutaEnLocalDeRemotoDescargadas":"","imagenesRecursivo":0,"password":"","LocalRemoto":"",)"
              R"("UltimoEscaneoImagenesLocalRemoto":"","pasivo":0,"ExtensionesActivas":"","FormatoImagen":"",)"
              R"("CalidadGrabacion":0,"servidor":"","RutaImagenesDestino":"","imagenesSobreescribir":0,"FtpID":0})");
    STRProcesosTexto texto;
    texto.ArchivoFrases = "C:\\Datos\\frases.txt";
    EXPECT_EQ(composed(texto, textoDescriptor()),
              R"({"TextoMarcaAgua":"","SoloMarcadeAgua":0,"FuenteUsada":{"ColorBorde":0,"Color":0,"Nombre":"",)"
              R"("Interlinea":0,"Tachado":0,"Cursiva":0,"Subrayado":0,"Bold":0,"Tamagno":0,)"
              R"("TransparenciaInterior":0,"TransparenciaBorde":0},"ArchivoFrases":"C:\\Datos\\frases.txt",)"
              R"("TextoPosicion":0})");
}

TEST(RecordDescriptors, EveryLineSpacingSurvivesTheTenDigitText) {
    // The spacing trackbar's positions 0..95 give 1.0 + 0.2 * position.
    for (int position = 0; position <= 95; ++position) {
        STRFuente font;
        font.Interlinea = 1.0f + 0.2f * static_cast<float>(position);
        const JsonParseResult parsed = parseJson(composed(font, fuenteDescriptor()));
        ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
        STRFuente back;
        extractRecord(std::get<JsonDocument>(parsed).root(), back, fuenteDescriptor());
        EXPECT_EQ(back.Interlinea, font.Interlinea) << position;
    }
}

}  // namespace
}  // namespace tesselon
