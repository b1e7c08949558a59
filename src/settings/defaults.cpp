#include "settings/defaults.h"

#include <algorithm>

#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

void resetToDefaults(Settings& settings, const std::string& defaultWatermarkText) {
    STRFuente& fuente = settings.texto.FuenteUsada;
    fuente.Nombre = "Arial";
    fuente.Tamagno = 24;
    fuente.Color = 0;
    fuente.ColorBorde = 0x00FAFF;
    fuente.Bold = 256;
    fuente.Cursiva = 512;
    fuente.Subrayado = 0;
    fuente.Tachado = 0;
    fuente.Interlinea = 2.0f;
    fuente.TransparenciaInterior = 0;
    fuente.TransparenciaBorde = 0;

    STRProcesosEntorno& entorno = settings.entorno;
    entorno.LocalRemoto = "L";
    entorno.servidor = kLoopbackHostName;
    entorno.puerto = "21";
    entorno.RutaOrigenRemoto = "/public_html/wp-content/uploads/";
    entorno.RutaOrigenLocal = userFolder();
    entorno.RutaEnLocalDeRemotoDescargadas = temporaryFolder();
    entorno.ExtensionesActivas = "JPG|JPEG|PNG";
    entorno.UltimasExtensionesDescargadas.clear();
    entorno.TotalImagesOrigen = 0;
    entorno.UltimoEscaneoImagenesLocalRemoto = "L";
    entorno.imagenesRecursivo = 1;
    entorno.imagenesSobreescribir = 0;
    entorno.RutaImagenesDestino = temporaryFolder();
    entorno.FormatoImagen = "original";
    entorno.CalidadGrabacion = 50;
    entorno.locked = 0;
    entorno.protocolo = "ftp";

    STRProcesosTexto& texto = settings.texto;
    texto.ArchivoFrases.clear();
    texto.SoloMarcadeAgua = 1;
    texto.TextoMarcaAgua = defaultWatermarkText;
    texto.TextoPosicion = 6;

    STRProcesosImage& image = settings.image;
    image.ColorFondo = 0;
    image.Contraste = 0;
    image.EscalaGrises = 0;
    image.EspejoH = 0;
    image.EspejoV = 0;
    image.InvertirColores = 0;
    image.MarcaDeAgua = 1;
    image.ResizeActivo = 0;
    image.ResizeProporcional = 1;
    image.ResizeH = 800;
    image.ResizeV = 600;
    image.Rotar = 0;
    image.RotarAntesQueTexto = 1;
    image.TintarImagen = 0;
    image.TinteCantidad = 0;
    image.TinteColor = 0;

    settings.config.autoUpdate = 1;
    settings.config.Cancelado = 0;
}

std::string buildDefaultWatermarkText(int64_t date) {
    std::string text = "Text Sample\nover Image\n" + formatDate("@ %yyyy Halvren Labs", date);
    std::replace(text.begin(), text.end(), '\n', '|');
    return text;
}

}  // namespace tesselon
