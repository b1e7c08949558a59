#include "runtime/imaging/codec_registry.h"

#include <algorithm>

#include "runtime/imaging/bmp_codec.h"
#include "runtime/imaging/gif_decoder.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/png_codec.h"
#include "runtime/imaging/tiff_decoder.h"

namespace tesselon {

namespace {

DecoderEntry builtinDecoder(BuiltinDecoder decoder) {
    switch (decoder) {
    case BuiltinDecoder::BMP:
        return {kFormatBMP, probeBmp, decodeBmp};
    case BuiltinDecoder::PNG:
        return {kFormatPNG, probePng, decodePng};
    case BuiltinDecoder::JPEG:
        return {kFormatJPEG, probeJpeg, decodeJpeg};
    case BuiltinDecoder::TIFF:
        return {kFormatTIFF, probeTiff, decodeTiff};
    case BuiltinDecoder::GIF:
        return {kFormatGIF, probeGif, decodeGif};
    }
    return {};
}

EncoderEntry builtinEncoder(BuiltinEncoder encoder) {
    switch (encoder) {
    case BuiltinEncoder::BMP:
        return {kFormatBMP, encodeBmp, encodeBmp};
    case BuiltinEncoder::PNG: {
        auto png = [](const EncodeRequest& request) { return encodePng(request); };
        return {kFormatPNG, png, png};
    }
    case BuiltinEncoder::JPEG:
        // No 32-bit operation: saving flattens alpha onto white first.
        return {kFormatJPEG, encodeJpegAtLevel, nullptr};
    }
    return {};
}

}  // namespace

CodecRegistry::CodecRegistry(DecodeLimits limits) : limits_(limits) {
    decoders_.reserve(kMaxEntries);
    encoders_.reserve(kMaxEntries);
    registerDecoder(BuiltinDecoder::BMP);
    registerEncoder(BuiltinEncoder::BMP);
}

bool CodecRegistry::addDecoder(DecoderEntry entry) {
    const bool present = std::any_of(decoders_.begin(), decoders_.end(),
                                     [&](const DecoderEntry& e) { return e.format == entry.format; });
    if (present || decoders_.size() >= kMaxEntries || !entry.probe || !entry.decode) return false;
    decoders_.push_back(entry);
    return true;
}

bool CodecRegistry::addEncoder(EncoderEntry entry) {
    if (hasEncoder(entry.format) || encoders_.size() >= kMaxEntries || (!entry.encode24 && !entry.encode32)) {
        return false;
    }
    encoders_.push_back(std::move(entry));
    return true;
}

bool CodecRegistry::registerDecoder(BuiltinDecoder decoder) {
    if (decoder == BuiltinDecoder::TIFF) silenceLibtiffMessages();
    return addDecoder(builtinDecoder(decoder));
}

bool CodecRegistry::registerEncoder(BuiltinEncoder encoder) {
    return addEncoder(builtinEncoder(encoder));
}

bool CodecRegistry::registerEncoder(uint32_t format, EncodeOperation encode24, EncodeOperation encode32) {
    return addEncoder({format, std::move(encode24), std::move(encode32)});
}

const EncoderEntry* CodecRegistry::findEncoder(uint32_t format) const {
    for (const EncoderEntry& entry : encoders_) {
        if (entry.format == format) return &entry;
    }
    return nullptr;
}

CodecRegistry makeStandardRegistry(DecodeLimits limits) {
    CodecRegistry registry(limits);
    registry.registerDecoder(BuiltinDecoder::PNG);
    registry.registerDecoder(BuiltinDecoder::JPEG);
    registry.registerDecoder(BuiltinDecoder::TIFF);
    registry.registerDecoder(BuiltinDecoder::GIF);
    registry.registerEncoder(BuiltinEncoder::PNG);
    registry.registerEncoder(BuiltinEncoder::JPEG);
    return registry;
}

const CodecRegistry& standardRegistry() {
    static const CodecRegistry registry = makeStandardRegistry();
    return registry;
}

}  // namespace tesselon
