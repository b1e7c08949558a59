#include "update/update_check/version_signature.h"

#include <nettle/base64.h>
#include <nettle/eddsa.h>
#include <optional>
#include <vector>

#include "runtime/text/ascii_text.h"

namespace tesselon {

namespace {

// The bytes `text` encodes when they are exactly `size`; surrounding blanks and line
// ends are allowed, anything else that is not base64 is not.
std::optional<std::vector<uint8_t>> decodeExactly(std::string_view text, size_t size) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    text = trimSpaces(text);
    if (text.empty() || text.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
    std::vector<uint8_t> bytes(BASE64_DECODE_LENGTH(text.size()));
    base64_decode_ctx context;
    base64_decode_init(&context);
    size_t length = bytes.size();
    if (!base64_decode_update(&context, &length, bytes.data(), text.size(), text.data()) ||
        !base64_decode_final(&context) || length != size)
        return std::nullopt;
    bytes.resize(length);
    return bytes;
}

}  // namespace

bool isUsableUpdateKey(std::string_view publicKey) { return decodeExactly(publicKey, ED25519_KEY_SIZE).has_value(); }

VersionTrust checkVersionSignature(std::string_view versionBytes, std::string_view signatureText,
                                   std::string_view publicKey) {
    const std::optional<std::vector<uint8_t>> key = decodeExactly(publicKey, ED25519_KEY_SIZE);
    if (!key) return VersionTrust::NoKey;
    const std::optional<std::vector<uint8_t>> signature = decodeExactly(signatureText, ED25519_SIGNATURE_SIZE);
    if (!signature) return VersionTrust::Unsigned;
    const bool valid = ed25519_sha512_verify(key->data(), versionBytes.size(),
                                             reinterpret_cast<const uint8_t*>(versionBytes.data()), signature->data());
    return valid ? VersionTrust::Signed : VersionTrust::Unsigned;
}

}  // namespace tesselon
