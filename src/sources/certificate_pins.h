// The FTPS certificates the user chose to trust whatever their chain says: one line
// "host:port fingerprint" each, the fingerprint the certificate's SHA-256 in lower-case
// hex, in a file of the program folder (never in the settings).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tesselon {

// The fingerprints pinned for `host` and `port` in `file`; none when it is missing or
// unreadable. Lines that are not a host, a port and 64 hex digits are passed over.
std::vector<std::string> pinnedCertificatesFor(const std::string& file, const std::string& host, int port);

// Adds a pin for `host` and `port` to `file`, keeping the others; false when it could
// not be written.
bool pinCertificate(const std::string& file, const std::string& host, int port, const std::string& fingerprint);

// A fingerprint as a person may type or paste it (upper or lower case, bytes parted by
// colons) in the form the pins hold; nothing when it is not 32 bytes of hex.
std::optional<std::string> normalizedFingerprint(const std::string& text);

}  // namespace tesselon
