#include "ui/failure_texts.h"

namespace tesselon {

std::string failureText(ImageFailure why) {
    switch (why) {
    case ImageFailure::None: return "se pudo leer";
    case ImageFailure::Missing: return "el archivo ya no existe";
    case ImageFailure::NotDownloaded: return "todavía no se ha descargado del servidor";
    case ImageFailure::NotRegularFile: return "no es un archivo normal";
    case ImageFailure::TooLarge: return "el archivo es demasiado grande";
    case ImageFailure::Unreadable: return "no se puede abrir (permisos o error de lectura)";
    case ImageFailure::NotAnImage: return "no es una imagen válida o está dañada";
    case ImageFailure::EmptyFile: return "el archivo está vacío";
    case ImageFailure::Damaged: return "la imagen está incompleta o dañada";
    case ImageFailure::CodedBeyondDeclared: return "contiene una imagen mayor de lo que declara su cabecera";
    case ImageFailure::OverMemoryLimit: return "necesita más memoria de la que hay disponible";
    case ImageFailure::ProcessingFailed: return "falló al aplicarle los cambios";
    case ImageFailure::AnimatedOverItself: return "un GIF animado no se convierte sobre sí mismo";
    case ImageFailure::NotWritten: return "no se pudo guardar el resultado";
    case ImageFailure::WouldReplaceOther: return "no se guardó para no reemplazar otro archivo";
    case ImageFailure::ResultNameTaken: return "otra imagen de la lista tiene el mismo nombre de salida";
    }
    return "error desconocido";
}

}  // namespace tesselon
