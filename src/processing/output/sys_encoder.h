// The program's own output encoder, registered under the format code "Sys": JPEG, PNG or
// GIF (BMP too, which the program never asks for), chosen by bits 8-10 of the quality
// value; bits 0-7 carry the JPEG quality.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"

namespace tesselon {

// The encoder index of a quality value: (value >> 8) & 7.
int sysEncoderIndexOf(int qualityValue);

// The JPEG quality of a quality value: its low byte, 0 meaning 80 and anything above
// 100 meaning 100.
int sysJpegQualityOf(int qualityValue);

// Encodes the request's rows (24- or 32-bit) with the encoder its quality value selects.
// JPEG and BMP lay 32-bit pixels over white; PNG keeps their alpha; GIF keeps fully
// transparent pixels transparent. Nothing for TIFF (no encoder here) and unknown indices.
std::optional<std::string> encodeSysImage(const EncodeRequest& request);

// Whether decoding what encodeSysImage makes of these rows with this quality value gives
// back the very pixels it was given: true for its PNG, which keeps every colour and the
// alpha of 32-bit rows.
bool sysEncodingKeepsPixels(int qualityValue);

// Adds the "Sys" encoder, with encodeSysImage as its 24-bit and its 32-bit operation.
// False when the registry already has a "Sys" encoder or is full.
bool registerSysEncoder(CodecRegistry& registry);

}  // namespace tesselon
