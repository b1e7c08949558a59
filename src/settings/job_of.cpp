#include "settings/job_of.h"

#include <algorithm>

#include "settings/remote_endpoint_of.h"

namespace tesselon {

namespace {

constexpr int kLowestQuality = 10;
constexpr int kHighestQuality = 100;

JobSource sourceOf(const STRProcesosEntorno& env) {
    JobSource source;
    source.kind = sourceKindOf(env);
    source.localFolder = env.RutaOrigenLocal;
    if (source.kind == SourceKind::Remote) source.remote = remoteEndpointOf(env);
    source.downloadFolder = env.RutaEnLocalDeRemotoDescargadas;
    source.extensions = env.ExtensionesActivas;
    source.recursive = env.imagenesRecursivo != 0;
    return source;
}

TextOverlay textOf(const STRProcesosTexto& texto, const STRProcesosImage& image) {
    TextOverlay text;
    // Any other value of RotarAntesQueTexto places the text nowhere.
    text.drawn = image.MarcaDeAgua == 1 && (image.RotarAntesQueTexto == 0 || image.RotarAntesQueTexto == 1);
    text.beforeRotation = image.RotarAntesQueTexto == 1;
    text.font = texto.FuenteUsada;
    text.position = texto.TextoPosicion;
    text.watermarkOnly = texto.SoloMarcadeAgua != 0;
    text.watermark = texto.TextoMarcaAgua;
    text.phrasesFile = texto.ArchivoFrases;
    return text;
}

JobOutput outputOf(const STRProcesosEntorno& env) {
    JobOutput output;
    output.format = env.FormatoImagen;
    output.quality = clampedQuality(env.CalidadGrabacion);
    output.destinationFolder = env.RutaImagenesDestino;
    output.overwrite = env.imagenesSobreescribir != 0;
    return output;
}

}  // namespace

int clampedQuality(int32_t stored) {
    if (stored == 0) return 0;
    return std::clamp<int32_t>(stored, kLowestQuality, kHighestQuality);
}

JobDescription jobOf(const Settings& settings, const RunOptions& run) {
    JobDescription job;
    job.source = sourceOf(settings.entorno);
    job.operations.image = settings.image;
    job.text = textOf(settings.texto, settings.image);
    job.output = outputOf(settings.entorno);
    job.run = run;
    return job;
}

}  // namespace tesselon
