// The size of the pictures a video bitstream codes, read from its own parameter sets
// rather than from what the container around it declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tesselon {

struct CodedPictureSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The luma picture size (pic_width/height_in_luma_samples, before any conformance
// window) of an HEVC sequence parameter set: a NAL unit given whole, its two-byte header
// first, with emulation prevention bytes still in. Nothing when it is not one or is cut
// short.
std::optional<CodedPictureSize> hevcSequencePictureSize(const uint8_t* nal, size_t size);

// The type of an HEVC NAL unit from its first header byte; 33 is a sequence parameter set.
constexpr int hevcNalType(uint8_t firstHeaderByte) { return (firstHeaderByte >> 1) & 0x3F; }
constexpr int kHevcSequenceParameterSet = 33;

// The largest frame (max_frame_width/height) an AV1 sequence header allows: the payload
// of a sequence header OBU, without the OBU's header and size. Nothing when cut short.
std::optional<CodedPictureSize> av1SequenceMaxFrameSize(const uint8_t* payload, size_t size);

}  // namespace tesselon
