// The five settings records. Every subsystem reads and writes their fields directly;
// the settings file stores one JSON line per record, built from the descriptors in
// record_descriptors.h, which list the fields in exactly the order declared here.
//
// Field names keep their Spanish spelling. A string field whose stored name ends in
// "$" (for example "LocalRemoto$") drops the "$" here; the descriptor keeps it.
// Strings are UTF-8. `password` may hold any UTF-16 code unit, encoded as WTF-8
// (lone surrogates as three-byte sequences, code unit 0 as a 0 byte).
// Colours are packed 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <string>

namespace tesselon {

struct STRConfig {
    int8_t Cancelado = 0;   // shared cancel request of long operations
    int8_t autoUpdate = 0;  // stored state of the update window's checkbox
};

struct STRProcesosEntorno {
    std::string LocalRemoto;                     // "L" local folder, "R" FTP folder
    std::string servidor;                        // FTP host
    std::string puerto;                          // FTP port, decimal text
    std::string usuario;                         // FTP user
    std::string password;                        // FTP password, protected form
    int8_t pasivo = 0;                           // FTP passive mode
    int32_t FtpID = 0;                           // open FTP session, 0 when none
    std::string RutaOrigenRemoto;                // remote source folder, ends with "/"
    std::string RutaOrigenLocal;                 // local source folder, ends with a separator
    std::string RutaEnLocalDeRemotoDescargadas;  // local folder receiving downloads
    std::string ExtensionesActivas;              // "JPG|JPEG|PNG|GIF" subset
    std::string UltimasExtensionesDescargadas;   // extensions of the last scan, ", " joined
    std::string UltimoEscaneoImagenesLocalRemoto;  // origin of the last scan, "L" or "R"
    int64_t TotalImagesOrigen = 0;               // images found by the last scan
    int8_t imagenesRecursivo = 0;                // scans descend into subfolders
    int8_t imagenesSobreescribir = 0;            // results overwrite the sources
    std::string RutaImagenesDestino;             // destination folder
    std::string FormatoImagen;                   // "original", "jpg", "png" or "gif"
    int32_t CalidadGrabacion = 0;                // output quality 10..100
    int8_t Preview = 0;                          // preview panes on
    int8_t locked = 0;                           // interface lock from /LOCKED
    // "ftp", "ftps" or "sftp" (core/remote_protocol.h). Not in the descriptor: the
    // settings file writes it as the record's last key, after FtpID.
    std::string protocolo = "ftp";
    // The server folder a run's results are uploaded beneath, at their sources' paths
    // relative to the scanned folder; empty: nothing is published. Not in the
    // descriptor either: written after protocolo.
    std::string carpetaPublicacion;
};

struct STRFuente {
    std::string Nombre;               // font face
    int32_t Tamagno = 0;              // size in points; 0 draws at 26
    int32_t Color = 0;                // interior colour
    int32_t ColorBorde = 0;           // outline colour
    int32_t Bold = 0;                 // 256 when bold
    int32_t Tachado = 0;              // 8 when struck out
    int32_t Subrayado = 0;            // 4 when underlined
    int32_t Cursiva = 0;              // 512 when italic
    float Interlinea = 0.0f;          // distance between line tops, in line heights
    int32_t TransparenciaInterior = 0;  // 0 opaque .. 255 invisible
    int32_t TransparenciaBorde = 0;     // 0 opaque .. 255 invisible
};

struct STRProcesosTexto {
    STRFuente FuenteUsada;
    std::string ArchivoFrases;        // phrases file
    int32_t TextoPosicion = 0;        // 1 right, 2 centre, 4 middle, 8 bottom
    int8_t SoloMarcadeAgua = 0;       // draw TextoMarcaAgua instead of phrases
    std::string TextoMarcaAgua;       // watermark, "|" separates lines
};

struct STRProcesosImage {
    int8_t MarcaDeAgua = 0;           // draw the text overlay (only when exactly 1)
    int8_t RotarAntesQueTexto = 0;    // 1 text before rotation, 0 after
    int8_t EspejoH = 0;
    int8_t EspejoV = 0;
    int32_t Rotar = 0;                // degrees, 1..359 rotates
    int32_t ColorFondo = 0;           // background uncovered by rotation
    int8_t InvertirColores = 0;
    int8_t EscalaGrises = 0;
    int8_t TintarImagen = 0;
    int32_t TinteColor = 0;
    int32_t TinteCantidad = 0;        // percent 0..100
    int32_t Contraste = 0;            // 0..255, 0 leaves contrast alone
    int8_t ResizeActivo = 0;
    int8_t ResizeProporcional = 0;
    int32_t ResizeH = 0;              // target width 1..9999
    int32_t ResizeV = 0;              // target height 1..9999
};

// The four records that make up a settings file, together.
struct Settings {
    STRConfig config;
    STRProcesosEntorno entorno;
    STRProcesosTexto texto;
    STRProcesosImage image;
};

}  // namespace tesselon
