// The vendor's signature over the version file: Ed25519 over its exact bytes, served
// beside it as "lastversion.dat.sig", the 64-byte signature in base64 on one line. The
// public key is the raw 32-byte key in base64.
#pragma once

#include <string_view>

namespace tesselon {

enum class VersionTrust {
    Signed,    // the key's owner signed these very bytes
    NoKey,     // no usable key: nothing can be trusted, so nothing is installed
    Unsigned,  // a signature missing, malformed, or not the key's over these bytes
};

// Whether `publicKey` is a key at all: base64 of exactly 32 bytes.
bool isUsableUpdateKey(std::string_view publicKey);

VersionTrust checkVersionSignature(std::string_view versionBytes, std::string_view signatureText,
                                   std::string_view publicKey);

}  // namespace tesselon
