#include "settings/remote_endpoint_of.h"

#include "runtime/text/ascii_text.h"
#include "settings/password.h"

namespace tesselon {

uint16_t storedPortNumber(std::string_view text) {
    const std::string_view digits = trimSpaces(text);
    uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        value = value * 10 + uint32_t(c - '0');
        if (value > 65535) return 0;
    }
    return uint16_t(value);
}

RemoteProtocol protocolOf(const STRProcesosEntorno& env) { return remoteProtocolOf(env.protocolo); }

RemoteEndpoint remoteEndpointOf(const STRProcesosEntorno& env) {
    RemoteEndpoint endpoint;
    endpoint.protocol = protocolOf(env);
    endpoint.host = env.servidor;
    endpoint.port = storedPortNumber(env.puerto);
    endpoint.user = env.usuario;
    endpoint.password = recoverPassword(env.password);
    endpoint.passive = env.pasivo != 0;
    endpoint.folder = env.RutaOrigenRemoto;
    return endpoint;
}

SourceKind sourceKindOf(const STRProcesosEntorno& env) {
    return env.LocalRemoto == "R" ? SourceKind::Remote : SourceKind::Local;
}

SourceKind lastScanKindOf(const STRProcesosEntorno& env) {
    return env.UltimoEscaneoImagenesLocalRemoto == "R" ? SourceKind::Remote : SourceKind::Local;
}

}  // namespace tesselon
