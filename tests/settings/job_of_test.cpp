// The job a settings file describes, as the engine is given it.
#include <gtest/gtest.h>

#include "settings/defaults.h"
#include "settings/job_of.h"
#include "settings/password.h"

namespace tesselon {
namespace {

Settings defaults() {
    Settings s;
    std::string watermark;
    resetToDefaults(s, watermark);
    return s;
}

TEST(JobOf, ARemoteSourceComesTypedWithItsRecoveredPassword) {
    Settings s = defaults();
    s.entorno.LocalRemoto = "R";
    s.entorno.protocolo = "ftps";
    s.entorno.servidor = "127.0.0.1";
    s.entorno.puerto = "990";
    s.entorno.password = protectPassword("clave");
    s.entorno.RutaOrigenRemoto = "/fotos/";
    const JobDescription job = jobOf(s);
    EXPECT_EQ(job.source.kind, SourceKind::Remote);
    EXPECT_EQ(job.source.remote.protocol, RemoteProtocol::Ftps);
    EXPECT_EQ(job.source.remote.port, 990);
    EXPECT_EQ(job.source.remote.password, "clave");
    EXPECT_EQ(job.source.remote.folder, "/fotos/");
}

TEST(JobOf, AQualityOutsideItsRangeReachesTheEncoderInsideIt) {
    Settings s = defaults();
    s.entorno.CalidadGrabacion = 250;
    EXPECT_EQ(jobOf(s).output.quality, 100);
    s.entorno.CalidadGrabacion = 3;
    EXPECT_EQ(jobOf(s).output.quality, 10);
    // 0 asks each encoder for its own default.
    s.entorno.CalidadGrabacion = 0;
    EXPECT_EQ(jobOf(s).output.quality, 0);
}

TEST(JobOf, TextIsDrawnOnlyWhereTheRecordsPlaceIt) {
    Settings s = defaults();
    s.image.MarcaDeAgua = 1;
    s.image.RotarAntesQueTexto = 1;
    EXPECT_TRUE(jobOf(s).text.drawn);
    EXPECT_TRUE(jobOf(s).text.beforeRotation);
    // Neither before nor after the rotation: nowhere.
    s.image.RotarAntesQueTexto = 2;
    EXPECT_FALSE(jobOf(s).text.drawn);
    // Only exactly 1 turns the overlay on.
    s.image.RotarAntesQueTexto = 0;
    s.image.MarcaDeAgua = 2;
    EXPECT_FALSE(jobOf(s).text.drawn);
}

TEST(JobOf, TheRecordsAreLeftAsStored) {
    Settings s = defaults();
    s.entorno.CalidadGrabacion = 250;
    s.entorno.puerto = " 21x";
    const Settings before = s;
    (void)jobOf(s);
    EXPECT_EQ(s.entorno.CalidadGrabacion, before.entorno.CalidadGrabacion);
    EXPECT_EQ(s.entorno.puerto, before.entorno.puerto);
}

}  // namespace
}  // namespace tesselon
