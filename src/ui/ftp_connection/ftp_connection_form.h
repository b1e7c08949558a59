// The rules of window 3 on plain data: how the stored folder is shown, and what
// Chequear Conexión tests and Aceptar stores from the texts of the fields.
#pragma once

#include <optional>
#include <string>

#include "sources/ftp_connection_test.h"

namespace tesselon {

// The texts of the fields as typed, the passive check box.
struct FtpConnectionFields {
    std::string server, port, user, password, folder;
    bool passive = true;
};

inline constexpr const char* kMissingFolderTitle = "Error";
inline constexpr const char* kMissingFolderText = "Falta definir la ruta base de las imágenes";

// The stored folder with "\" as "/" and a "/" at its end (unless it is "/" or empty).
std::string folderForDisplay(const std::string& folder);

// What Chequear Conexión tests: trimmed fields, the password protected when it was
// typed anew (it differs from the stored protected text), the folder starting with
// "/". Nothing when the folder is empty.
std::optional<FtpConnectionData> dataToCheck(const FtpConnectionFields& fields, const std::string& storedPassword);

// What Aceptar stores: as dataToCheck, and also the port "21" when its value is 0,
// every "\" of the folder as "/" and a "/" at the folder's end.
std::optional<FtpConnectionData> dataToStore(const FtpConnectionFields& fields, const std::string& storedPassword);

}  // namespace tesselon
