// The quick first step of a large shrink for the preview panes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Each `factor` x `factor` block of pixels becomes one: every channel the mean of the
// block's, rounded half up (the blocks at the right and bottom edges over the pixels they
// have). Fed the rows top to bottom, as a decoder gives them, so that the whole image
// need not exist at once.
class BlockAverager {
public:
    // Nothing when memory runs out, the factor is below 1 or the depth is not 24 or 32.
    static std::optional<BlockAverager> start(int width, int height, int depth, int factor);
    // The next row: width pixels of the depth given.
    void addRow(const uint8_t* row);
    // Whole once every row has been added.
    ImageObject& result() { return out_; }

private:
    BlockAverager() = default;
    template <typename Sum>
    void add(std::vector<Sum>& sums, const uint8_t* row);
    int width_ = 0, height_ = 0, factor_ = 1, bpp_ = 3;
    int next_ = 0;  // rows added
    // The current block row's column sums: 16 bits hold a column of up to 257 rows.
    std::vector<uint16_t> narrow_;
    std::vector<uint32_t> wide_;
    ImageObject out_;
};

// The whole image averaged at once. Empty when memory runs out or the factor is below 1.
std::optional<ImageObject> averageBlocks(const ImageObject& image, int factor);

}  // namespace tesselon
