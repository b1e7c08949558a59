// The program's own result encoder, registered under the format code "Sys": it writes
// the format the request names (EncodeRequest::result) at the request's quality.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"

namespace tesselon {

// The quality a result is written at: 0 (or less) means 80 and anything above 100 means
// 100; the rest as given.
int sysQualityOf(int quality);

// Encodes the request's rows (24- or 32-bit) with the result encoder of its format.
// Formats without alpha lay 32-bit pixels over white first. Nothing without a format,
// for a format that results are not written in, or when encoding fails.
std::optional<std::string> encodeSysImage(const EncodeRequest& request);

// Adds the "Sys" encoder, with encodeSysImage as its 24-bit and its 32-bit operation.
// False when the registry already has a "Sys" encoder or is full.
bool registerSysEncoder(CodecRegistry& registry);

}  // namespace tesselon
