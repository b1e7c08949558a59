#include "settings/record_descriptors.h"

namespace tesselon {

// Each descriptor is built once, on first use, and never changes afterwards.

const RecordDescriptor<STRConfig>& configDescriptor() {
    using R = STRConfig;
    static const RecordDescriptor<R> descriptor{"STRConfig",
                                                {
                                                    {"Cancelado", &R::Cancelado},
                                                    {"autoUpdate", &R::autoUpdate},
                                                }};
    return descriptor;
}

const RecordDescriptor<STRProcesosEntorno>& entornoDescriptor() {
    using R = STRProcesosEntorno;
    static const RecordDescriptor<R> descriptor{
        "STRProcesosEntorno",
        {
            {"LocalRemoto$", &R::LocalRemoto},
            {"servidor$", &R::servidor},
            {"puerto$", &R::puerto},
            {"usuario$", &R::usuario},
            {"password$", &R::password},
            {"pasivo", &R::pasivo},
            {"FtpID", &R::FtpID},
            {"RutaOrigenRemoto$", &R::RutaOrigenRemoto},
            {"RutaOrigenLocal$", &R::RutaOrigenLocal},
            {"RutaEnLocalDeRemotoDescargadas$", &R::RutaEnLocalDeRemotoDescargadas},
            {"ExtensionesActivas$", &R::ExtensionesActivas},
            {"UltimasExtensionesDescargadas$", &R::UltimasExtensionesDescargadas},
            {"UltimoEscaneoImagenesLocalRemoto$", &R::UltimoEscaneoImagenesLocalRemoto},
            {"TotalImagesOrigen", &R::TotalImagesOrigen},
            {"imagenesRecursivo", &R::imagenesRecursivo},
            {"imagenesSobreescribir", &R::imagenesSobreescribir},
            {"RutaImagenesDestino$", &R::RutaImagenesDestino},
            {"FormatoImagen$", &R::FormatoImagen},
            {"CalidadGrabacion", &R::CalidadGrabacion},
            {"Preview", &R::Preview},
            {"locked", &R::locked},
        }};
    return descriptor;
}

const RecordDescriptor<STRFuente>& fuenteDescriptor() {
    using R = STRFuente;
    static const RecordDescriptor<R> descriptor{"STRFuente",
                                                {
                                                    {"Nombre", &R::Nombre},
                                                    {"Tamagno", &R::Tamagno},
                                                    {"Color", &R::Color},
                                                    {"ColorBorde", &R::ColorBorde},
                                                    {"Bold", &R::Bold},
                                                    {"Tachado", &R::Tachado},
                                                    {"Subrayado", &R::Subrayado},
                                                    {"Cursiva", &R::Cursiva},
                                                    {"Interlinea", &R::Interlinea},
                                                    {"TransparenciaInterior", &R::TransparenciaInterior},
                                                    {"TransparenciaBorde", &R::TransparenciaBorde},
                                                }};
    return descriptor;
}

const RecordDescriptor<STRProcesosTexto>& textoDescriptor() {
    using R = STRProcesosTexto;
    static const RecordDescriptor<R> descriptor{
        "STRProcesosTexto",
        {
            {"FuenteUsada", nestedPlace(&R::FuenteUsada, fuenteDescriptor())},
            {"ArchivoFrases$", &R::ArchivoFrases},
            {"TextoPosicion", &R::TextoPosicion},
            {"SoloMarcadeAgua", &R::SoloMarcadeAgua},
            {"TextoMarcaAgua", &R::TextoMarcaAgua},
        }};
    return descriptor;
}

const RecordDescriptor<STRProcesosImage>& imageDescriptor() {
    using R = STRProcesosImage;
    static const RecordDescriptor<R> descriptor{"STRProcesosImage",
                                                {
                                                    {"MarcaDeAgua", &R::MarcaDeAgua},
                                                    {"RotarAntesQueTexto", &R::RotarAntesQueTexto},
                                                    {"EspejoH", &R::EspejoH},
                                                    {"EspejoV", &R::EspejoV},
                                                    {"Rotar", &R::Rotar},
                                                    {"ColorFondo", &R::ColorFondo},
                                                    {"InvertirColores", &R::InvertirColores},
                                                    {"EscalaGrises", &R::EscalaGrises},
                                                    {"TintarImagen", &R::TintarImagen},
                                                    {"TinteColor", &R::TinteColor},
                                                    {"TinteCantidad", &R::TinteCantidad},
                                                    {"Contraste", &R::Contraste},
                                                    {"ResizeActivo", &R::ResizeActivo},
                                                    {"ResizeProporcional", &R::ResizeProporcional},
                                                    {"ResizeH", &R::ResizeH},
                                                    {"ResizeV", &R::ResizeV},
                                                }};
    return descriptor;
}

}  // namespace tesselon
