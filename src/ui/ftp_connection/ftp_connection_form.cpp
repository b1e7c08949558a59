#include "ui/ftp_connection/ftp_connection_form.h"

#include "runtime/text/ascii_text.h"
#include "settings/password.h"
#include "settings/remote_endpoint_of.h"

namespace tesselon {

FtpConnectionData storedConnectionData(const STRProcesosEntorno& env) {
    return FtpConnectionData{env.servidor,         env.puerto,    env.usuario,
                             env.password,         env.RutaOrigenRemoto, env.pasivo != 0,
                             remoteProtocolOf(env.protocolo), env.carpetaPublicacion};
}

RemoteEndpoint endpointOf(const FtpConnectionData& data) {
    RemoteEndpoint endpoint;
    endpoint.protocol = data.protocol;
    endpoint.host = data.server;
    endpoint.port = storedPortNumber(data.port);
    endpoint.user = data.user;
    endpoint.password = recoverPassword(data.password);
    endpoint.passive = data.passive;
    endpoint.folder = data.folder;
    return endpoint;
}

namespace {

std::string slashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

long numericValue(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string withEndSlash(std::string folder) {
    if (folder.size() > 1 && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::string folderForDisplay(const std::string& folder) { return withEndSlash(slashes(folder)); }

std::optional<FtpConnectionData> dataToCheck(const FtpConnectionFields& fields, const std::string& storedPassword) {
    FtpConnectionData data;
    data.server = std::string(trimSpaces(fields.server));
    data.port = std::string(trimSpaces(fields.port));
    data.user = std::string(trimSpaces(fields.user));
    data.password = std::string(trimSpaces(fields.password));
    // The field shows the stored protected text; anything else was typed by the user.
    if (data.password != storedPassword) data.password = protectPassword(data.password);
    data.passive = fields.passive;
    data.protocol = fields.protocol;
    data.folder = std::string(trimSpaces(fields.folder));
    data.publishFolder = std::string(trimSpaces(fields.publishFolder));
    if (data.folder.empty()) return std::nullopt;
    if (data.folder.front() != '/') data.folder.insert(0, "/");
    return data;
}

std::optional<FtpConnectionData> dataToStore(const FtpConnectionFields& fields, const std::string& storedPassword) {
    FtpConnectionFields cleaned = fields;
    cleaned.folder = slashes(std::string(trimSpaces(fields.folder)));
    std::optional<FtpConnectionData> data = dataToCheck(cleaned, storedPassword);
    if (!data) return std::nullopt;
    if (numericValue(data->port) == 0) data->port = std::to_string(defaultPortOf(data->protocol));
    data->folder = withEndSlash(data->folder);
    data->publishFolder = slashes(data->publishFolder);
    return data;
}

std::string portAfterSwitch(const std::string& port, RemoteProtocol from, RemoteProtocol to) {
    const std::string typed(trimSpaces(port));
    if (!typed.empty() && typed != std::to_string(defaultPortOf(from))) return port;
    return std::to_string(defaultPortOf(to));
}

}  // namespace tesselon
