#include "runtime/imaging/codec_registry.h"

#include <algorithm>

#include "runtime/imaging/bmp_codec.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/png_codec.h"

namespace tesselon {

namespace {

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
    registerDecoder(*formatByCode(kFormatBMP));
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

bool CodecRegistry::registerDecoder(const ImageFormat& format) {
    return addDecoder({format.code, format.probe, format.decode});
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
    for (const ImageFormat& format : imageFormats()) registry.registerDecoder(format);
    registry.registerEncoder(BuiltinEncoder::PNG);
    registry.registerEncoder(BuiltinEncoder::JPEG);
    return registry;
}

const CodecRegistry& standardRegistry() {
    static const CodecRegistry registry = makeStandardRegistry();
    return registry;
}

}  // namespace tesselon
