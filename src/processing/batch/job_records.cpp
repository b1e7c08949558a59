#include "processing/batch/job_records.h"

namespace tesselon {

STRProcesosEntorno placementRecordOf(const JobDescription& job) {
    STRProcesosEntorno env;
    env.LocalRemoto.assign(1, job.source.kind == SourceKind::Remote ? 'R' : 'L');
    env.RutaOrigenLocal = job.source.localFolder;
    env.RutaEnLocalDeRemotoDescargadas = job.source.downloadFolder;
    env.ExtensionesActivas = job.source.extensions;
    env.imagenesRecursivo = job.source.recursive ? 1 : 0;
    env.RutaImagenesDestino = job.output.destinationFolder;
    env.imagenesSobreescribir = job.output.overwrite ? 1 : 0;
    env.FormatoImagen = job.output.format;
    env.CalidadGrabacion = job.output.quality;
    return env;
}

Settings recordsOf(const JobDescription& job) {
    Settings records;
    records.entorno = placementRecordOf(job);
    records.texto.FuenteUsada = job.text.font;
    records.texto.TextoPosicion = job.text.position;
    records.texto.SoloMarcadeAgua = job.text.watermarkOnly ? 1 : 0;
    records.texto.TextoMarcaAgua = job.text.watermark;
    records.texto.ArchivoFrases = job.text.phrasesFile;
    records.image = job.operations.image;
    return records;
}

}  // namespace tesselon
