#include "update_test_support.h"

#include <filesystem>
#include <nettle/base64.h>
#include <nettle/eddsa.h>
#include <random>

#include "support/test_paths.h"

namespace tesselon::testing {

namespace {

std::string base64(const uint8_t* bytes, size_t size) {
    std::string text(BASE64_ENCODE_RAW_LENGTH(size), '\0');
    base64_encode_raw(text.data(), size, bytes);
    return text;
}

}  // namespace

TestSigningKey::TestSigningKey() {
    std::random_device random;
    for (uint8_t& byte : private_) byte = uint8_t(random());
    ed25519_sha512_public_key(public_.data(), private_.data());
    publicText_ = base64(public_.data(), public_.size());
}

std::string TestSigningKey::sign(std::string_view bytes) const {
    std::array<uint8_t, ED25519_SIGNATURE_SIZE> signature{};
    ed25519_sha512_sign(public_.data(), private_.data(), bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()),
                        signature.data());
    return base64(signature.data(), signature.size()) + "\n";
}

bool installTool(const TempDir& folder, const std::string& toolName) {
    std::string source;
    if (toolName == "wget.dat") source = "/usr/bin/wget";
    if (toolName == "aria2.dat") source = "/usr/bin/aria2c";
    if (toolName == "xh.dat") source = sourceDir() + "tests/update/xh_standin.py";
    std::error_code error;
    std::filesystem::copy_file(source, folder.file(toolName), std::filesystem::copy_options::overwrite_existing, error);
    return !error;
}

}  // namespace tesselon::testing
