#include <gtest/gtest.h>

#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "settings/defaults.h"

namespace tesselon {
namespace {

TEST(Defaults, WatermarkTextCarriesTheYear) {
    EXPECT_EQ(buildDefaultWatermarkText(makeDate(2024, 3, 5, 9, 7, 2)), "Text Sample|over Image|@ 2024 Halvren Labs");
    EXPECT_EQ(buildDefaultWatermarkText(makeDate(1999, 12, 31, 23, 59, 59)),
              "Text Sample|over Image|@ 1999 Halvren Labs");
}

TEST(Defaults, FoldersComeFromThePlatformAndComputedFieldsAreReset) {
    // The other values are checked through the composed defaults file.
    Settings s;
    s.config.Cancelado = 1;
    s.entorno.TotalImagesOrigen = 99;
    s.entorno.UltimasExtensionesDescargadas = "JPG";
    s.texto.ArchivoFrases = "/x/frases.txt";
    resetToDefaults(s, "W|X");
    EXPECT_EQ(s.entorno.RutaOrigenLocal, userFolder());
    EXPECT_EQ(s.entorno.RutaEnLocalDeRemotoDescargadas, temporaryFolder());
    EXPECT_EQ(s.entorno.RutaImagenesDestino, temporaryFolder());
    EXPECT_EQ(s.entorno.RutaImagenesDestino.back(), '/');
    EXPECT_EQ(s.config.Cancelado, 0);
    EXPECT_EQ(s.entorno.TotalImagesOrigen, 0);
    EXPECT_EQ(s.entorno.UltimasExtensionesDescargadas, "");
    EXPECT_EQ(s.texto.ArchivoFrases, "");
    EXPECT_EQ(s.texto.TextoMarcaAgua, "W|X");
}

TEST(Defaults, ConnectionAndPreviewStateIsNotReset) {
    Settings s;
    s.entorno.usuario = "ana";
    s.entorno.password = std::string("\0\xED\xA0\x80", 4);
    s.entorno.pasivo = 1;
    s.entorno.FtpID = 7;
    s.entorno.Preview = 1;
    resetToDefaults(s, "");
    EXPECT_EQ(s.entorno.usuario, "ana");
    EXPECT_EQ(s.entorno.password, std::string("\0\xED\xA0\x80", 4));
    EXPECT_EQ(s.entorno.pasivo, 1);
    EXPECT_EQ(s.entorno.FtpID, 7);
    EXPECT_EQ(s.entorno.Preview, 1);
}

}  // namespace
}  // namespace tesselon
