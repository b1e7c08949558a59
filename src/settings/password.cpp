#include "settings/password.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

#include <cstdint>
#include <vector>

#include "runtime/json/wtf8.h"

namespace tesselon {

namespace {

// RC4 is its own inverse, so protecting and recovering are this one transformation.
std::string applyCipher(std::string_view text) {
    const std::u16string units = toUtf16(text);
    if (units.empty()) return {};

    // The key is the MD5 digest of the first four bytes of the pass phrase "vorl" in
    // UTF-16LE, which is what the password has always been protected with.
    static constexpr uint8_t kPassPhraseBytes[] = {'v', 0, 'o', 0};
    md5_ctx hash;
    md5_init(&hash);
    md5_update(&hash, sizeof kPassPhraseBytes, kPassPhraseBytes);
    uint8_t key[MD5_DIGEST_SIZE];
    md5_digest(&hash, sizeof key, key);

    std::vector<uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    arcfour_ctx cipher;
    arcfour_set_key(&cipher, sizeof key, key);
    arcfour_crypt(&cipher, bytes.size(), bytes.data(), bytes.data());

    std::u16string result(units.size(), u'\0');
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return fromUtf16(result);
}

}  // namespace

std::string protectPassword(std::string_view plain) { return applyCipher(plain); }

std::string recoverPassword(std::string_view protectedText) { return applyCipher(protectedText); }

}  // namespace tesselon
