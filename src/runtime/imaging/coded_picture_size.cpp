#include "runtime/imaging/coded_picture_size.h"

#include <vector>

namespace tesselon {

namespace {

// Reads bits most significant first; reading past the end sets `overrun` and gives 0.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t bits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (position_ >= size_ * 8) {
                overrun_ = true;
                return 0;
            }
            value = (value << 1) | ((data_[position_ / 8] >> (7 - position_ % 8)) & 1u);
            ++position_;
        }
        return value;
    }
    void skip(size_t count) {
        if (count > size_ * 8 - std::min(position_, size_ * 8)) overrun_ = true;
        position_ += count;
    }
    // Exp-Golomb ue(v); a code of more than 31 leading zeros is no value the fields read
    // here can take.
    uint32_t unsignedExpGolomb() {
        int zeros = 0;
        while (bits(1) == 0) {
            if (overrun_ || ++zeros > 31) {
                overrun_ = true;
                return 0;
            }
        }
        return zeros == 0 ? 0 : uint32_t((uint64_t(1) << zeros) - 1 + bits(zeros));
    }
    bool overrun() const { return overrun_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    bool overrun_ = false;
};

// The NAL unit's payload with each emulation prevention byte (the 3 of 00 00 03) taken out.
std::vector<uint8_t> unescapedPayload(const uint8_t* nal, size_t size) {
    std::vector<uint8_t> out;
    out.reserve(size);
    int zeros = 0;
    for (size_t i = 2; i < size; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        out.push_back(nal[i]);
    }
    return out;
}

// profile_tier_level with its profile present, for sps_max_sub_layers_minus1 sub-layers.
void skipProfileTierLevel(BitReader& in, uint32_t subLayersMinus1) {
    in.skip(2 + 1 + 5 + 32 + 4 + 43 + 1 + 8);  // general profile, flags, level
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (uint32_t i = 0; i < subLayersMinus1; ++i) {
        profilePresent[i] = in.bits(1) != 0;
        levelPresent[i] = in.bits(1) != 0;
    }
    if (subLayersMinus1 > 0)
        for (uint32_t i = subLayersMinus1; i < 8; ++i) in.skip(2);
    for (uint32_t i = 0; i < subLayersMinus1; ++i) {
        if (profilePresent[i]) in.skip(2 + 1 + 5 + 32 + 4 + 43 + 1);
        if (levelPresent[i]) in.skip(8);
    }
}

}  // namespace

std::optional<CodedPictureSize> hevcSequencePictureSize(const uint8_t* nal, size_t size) {
    if (size < 3 || hevcNalType(nal[0]) != kHevcSequenceParameterSet) return std::nullopt;
    const std::vector<uint8_t> payload = unescapedPayload(nal, size);
    BitReader in(payload.data(), payload.size());
    in.skip(4);  // sps_video_parameter_set_id
    const uint32_t subLayersMinus1 = in.bits(3);
    in.skip(1);  // sps_temporal_id_nesting_flag
    if (subLayersMinus1 > 6) return std::nullopt;
    skipProfileTierLevel(in, subLayersMinus1);
    in.unsignedExpGolomb();  // sps_seq_parameter_set_id
    const uint32_t chromaFormat = in.unsignedExpGolomb();
    if (chromaFormat == 3) in.skip(1);  // separate_colour_plane_flag
    CodedPictureSize picture;
    picture.width = in.unsignedExpGolomb();
    picture.height = in.unsignedExpGolomb();
    if (in.overrun()) return std::nullopt;
    return picture;
}

std::optional<CodedPictureSize> av1SequenceMaxFrameSize(const uint8_t* payload, size_t size) {
    BitReader in(payload, size);
    in.skip(3);  // seq_profile
    in.skip(1);  // still_picture
    const bool reduced = in.bits(1) != 0;
    if (reduced) {
        in.skip(5);  // seq_level_idx[0]
    } else {
        const bool timingInfo = in.bits(1) != 0;
        bool decoderModelInfo = false;
        uint32_t bufferDelayLength = 0;
        if (timingInfo) {
            in.skip(32 + 32);  // num_units_in_display_tick, time_scale
            if (in.bits(1)) {  // equal_picture_interval: num_ticks_per_picture_minus_1, uvlc
                int zeros = 0;
                while (in.bits(1) == 0) {
                    if (in.overrun() || ++zeros >= 32) return std::nullopt;
                }
                in.skip(size_t(zeros));
            }
            decoderModelInfo = in.bits(1) != 0;
            if (decoderModelInfo) {
                bufferDelayLength = in.bits(5) + 1;
                in.skip(32 + 5 + 5);  // num_units_in_decoding_tick, two lengths
            }
        }
        const bool initialDisplayDelay = in.bits(1) != 0;
        const uint32_t operatingPoints = in.bits(5) + 1;
        for (uint32_t i = 0; i < operatingPoints && !in.overrun(); ++i) {
            in.skip(12);  // operating_point_idc
            if (in.bits(5) > 7) in.skip(1);  // seq_level_idx, seq_tier
            if (decoderModelInfo && in.bits(1)) in.skip(size_t(bufferDelayLength) * 2 + 1);
            if (initialDisplayDelay && in.bits(1)) in.skip(4);
        }
    }
    const int widthBits = int(in.bits(4)) + 1;
    const int heightBits = int(in.bits(4)) + 1;
    CodedPictureSize frame;
    frame.width = in.bits(widthBits) + 1;
    frame.height = in.bits(heightBits) + 1;
    if (in.overrun()) return std::nullopt;
    return frame;
}

}  // namespace tesselon
