// Texts the scans show, kept together so the local and remote scans say the same.
#pragma once

namespace tesselon {

inline constexpr const char* kScanProgressTitle = "Leyendo imágenes de la ruta origen...";
inline constexpr const char* kNoExtensionTitle = "AVISO";
inline constexpr const char* kNoExtensionText =
    "Debe marcarse alguna extensión de archivo para bajar (JPG, PNG o GIF)\r\n\r\nProceso abortado";
inline constexpr const char* kScanCancelledText = "Recorrido de imagenes suspendido por el usuario";
inline constexpr const char* kRescanTitle = "Recontar nº de imágenes";
inline constexpr const char* kRescanQuestion = "¿Releer el nº de imágenes en la ruta actual?";

}  // namespace tesselon
