// The typed remote source of the settings records.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/records.h"
#include "core/remote_endpoint.h"

namespace tesselon {

// The server, port, user, password (recovered from its protected form), passive mode,
// folder and protocol of the environment record.
RemoteEndpoint remoteEndpointOf(const STRProcesosEntorno& env);

// The stored protocol name as its value (core/remote_protocol.h).
RemoteProtocol protocolOf(const STRProcesosEntorno& env);

// A stored port: its leading digits after blanks, 0 when there are none or they pass
// 65535.
uint16_t storedPortNumber(std::string_view text);

// "R" is a remote source; anything else is the local folder.
SourceKind sourceKindOf(const STRProcesosEntorno& env);
// The kind of source the last scan listed ("R" remote, anything else local).
SourceKind lastScanKindOf(const STRProcesosEntorno& env);

}  // namespace tesselon
