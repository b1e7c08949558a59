// The rules of window 3 on plain data: how the stored folder is shown, and what
// Chequear Conexión tests and Aceptar stores from the texts of the fields.
#pragma once

#include <optional>
#include <string>

#include "core/records.h"
#include "core/remote_endpoint.h"
#include "core/remote_protocol.h"

namespace tesselon {

// The connection data as the window edits them and the settings store them.
struct FtpConnectionData {
    std::string server;
    std::string port;      // decimal text
    std::string user;
    std::string password;  // protected form (settings/password.h)
    std::string folder;    // remote folder of the images
    bool passive = true;
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    // Where PROCESAR uploads its results on the same server; empty: nowhere.
    std::string publishFolder;
};

// The connection data stored in the environment settings.
FtpConnectionData storedConnectionData(const STRProcesosEntorno& env);
// The endpoint Chequear Conexión connects to: the port as a number, the password plain.
RemoteEndpoint endpointOf(const FtpConnectionData& data);

// The texts of the fields as typed, the passive check box, the chosen protocol.
struct FtpConnectionFields {
    std::string server, port, user, password, folder, publishFolder;
    bool passive = true;
    RemoteProtocol protocol = RemoteProtocol::Ftp;
};

inline constexpr const char* kMissingFolderTitle = "Error";
inline constexpr const char* kMissingFolderText = "Falta definir la ruta base de las imágenes";

// The stored folder with "\" as "/" and a "/" at its end (unless it is "/" or empty).
std::string folderForDisplay(const std::string& folder);

// What Chequear Conexión tests: trimmed fields, the password protected when it was
// typed anew (it differs from the stored protected text), the folder starting with
// "/". Nothing when the folder is empty.
std::optional<FtpConnectionData> dataToCheck(const FtpConnectionFields& fields, const std::string& storedPassword);

// What Aceptar stores: as dataToCheck, and also the protocol's own port ("21", or "22"
// for SFTP) when the port's value is 0, every "\" of the folder as "/" and a "/" at
// the folder's end. The publish folder keeps its own form (absolute, or below the
// login folder), trimmed, with every "\" as "/".
std::optional<FtpConnectionData> dataToStore(const FtpConnectionFields& fields, const std::string& storedPassword);

// The port text to show once the user switches from protocol `from` to `to`: the new
// protocol's own port when the text was empty or the old one's own port (so 21 becomes
// 22 for SFTP and back), the text unchanged when the user had typed another port.
std::string portAfterSwitch(const std::string& port, RemoteProtocol from, RemoteProtocol to);

}  // namespace tesselon
