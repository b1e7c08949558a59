#include "ui/pane_row_picture.h"

namespace tesselon {

PaneRowPicture::PaneRowPicture(BlockAverager averager, const PaneFit& fit, uint32_t background,
                               std::function<void(ImageObject&&)> done)
    : averager_(std::move(averager)), fit_(fit), background_(background), done_(std::move(done)) {}

std::unique_ptr<RowPicture> PaneRowPicture::start(int width, int height, const PaneFit& fit, uint32_t background,
                                                  std::function<void(ImageObject&&)> done) {
    if (fit.blockFactor < 2) return nullptr;
    std::optional<BlockAverager> averager = BlockAverager::start(width, height, 24, fit.blockFactor);
    if (!averager) return nullptr;
    return std::unique_ptr<RowPicture>(new PaneRowPicture(std::move(*averager), fit, background, std::move(done)));
}

void PaneRowPicture::take(const ImageObject& band, int count) {
    for (int y = 0; y < count && y < band.height; ++y) averager_.addRow(band.row(y));
}

void PaneRowPicture::finish() {
    if (std::optional<ImageObject> pane = paneOf(averager_.result(), fit_, background_)) done_(std::move(*pane));
}

}  // namespace tesselon
