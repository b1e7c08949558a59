// The source pane's picture of a photo made from its rows as they are decoded.
#pragma once

#include <functional>
#include <memory>

#include "processing/batch/row_picture.h"
#include "ui/block_average.h"
#include "ui/fit_image_to_box.h"

namespace tesselon {

// The same picture fitImageToBox makes of the whole image, for a photo large enough that
// its fit averages blocks first: only a block row's sums are held, never the photo.
class PaneRowPicture : public RowPicture {
public:
    // Nothing when the fit takes no block average (a photo about the pane's size, whose
    // pane needs its every pixel) or memory runs out. `done` is handed the pane.
    static std::unique_ptr<RowPicture> start(int width, int height, const PaneFit& fit, uint32_t background,
                                             std::function<void(ImageObject&&)> done);
    void take(const ImageObject& band, int count) override;
    void finish() override;

private:
    PaneRowPicture(BlockAverager averager, const PaneFit& fit, uint32_t background,
                   std::function<void(ImageObject&&)> done);
    BlockAverager averager_;
    PaneFit fit_;
    uint32_t background_;
    std::function<void(ImageObject&&)> done_;
};

}  // namespace tesselon
