#include "runtime/imaging/codec_registry.h"

#include <algorithm>

#include "runtime/imaging/image_formats.h"

namespace tesselon {

CodecRegistry::CodecRegistry(DecodeLimits limits) : limits_(limits) {
    decoders_.reserve(kMaxEntries);
    registerDecoder(*formatByCode(kFormatBMP));
}

bool CodecRegistry::addDecoder(DecoderEntry entry) {
    const bool present = std::any_of(decoders_.begin(), decoders_.end(),
                                     [&](const DecoderEntry& e) { return e.format == entry.format; });
    if (present || decoders_.size() >= kMaxEntries || !entry.probe || !entry.decode) return false;
    decoders_.push_back(entry);
    return true;
}

bool CodecRegistry::registerDecoder(const ImageFormat& format) {
    return addDecoder({format.code, format.probe, format.decode});
}

CodecRegistry makeStandardRegistry(DecodeLimits limits) {
    CodecRegistry registry(limits);
    for (const ImageFormat& format : imageFormats()) registry.registerDecoder(format);
    return registry;
}

const CodecRegistry& standardRegistry() {
    static const CodecRegistry registry = makeStandardRegistry();
    return registry;
}

}  // namespace tesselon
