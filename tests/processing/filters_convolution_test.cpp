// The convolution sampler and the straight copy of quarter turns give, byte for byte,
// what cairo paints with its best filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "filters_test_images.h"
#include "processing/filters/convolution_sampler.h"
#include "processing/filters/rotation_layout.h"
#include "processing/filters/rotation_tile_renderer.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/drawing/cairo_image.h"

namespace tesselon {
namespace {

std::vector<uint32_t> cairoPaint(std::vector<uint32_t>& source, int sw, int sh, const cairo_matrix_t& matrix, int w,
                                 int h) {
    std::vector<uint32_t> target(size_t(w) * size_t(h), 0xFF000000u);
    CairoSurface from(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(source.data()),
                                                          CAIRO_FORMAT_RGB24, sw, sh, sw * 4));
    CairoSurface to(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(target.data()),
                                                        CAIRO_FORMAT_RGB24, w, h, w * 4));
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(from.get());
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_BEST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    CairoContext cr(cairo_create(to.get()));
    cairo_set_source(cr.get(), pattern);
    cairo_paint(cr.get());
    cairo_pattern_destroy(pattern);
    cr.reset();
    cairo_surface_flush(to.get());
    return target;
}

TEST(FiltersConvolution, SamplesWhereAndAsCairoDoes) {
    constexpr int sw = 61, sh = 47, w = 53, h = 41;
    std::mt19937 random(11);
    std::vector<uint32_t> source(size_t(sw) * sh);
    for (uint32_t& p : source) p = 0xFF000000u | (random() & 0xFFFFFFu);
    int compared = 0;
    // Turns at many angles, with sub-pixel offsets and slight scales, which change the
    // filter's width and phases.
    for (double degrees : {1.0, 7.5, 33.0, 45.0, 89.0, 91.0, 134.0, 200.0, 301.0, 359.0}) {
        for (double scale : {1.0, 0.8, 1.3, 2.5}) {
            cairo_matrix_t m;
            cairo_matrix_init_translate(&m, sw / 2.0 + 0.37, sh / 2.0 - 0.21);
            cairo_matrix_rotate(&m, degrees * std::numbers::pi / 180);
            cairo_matrix_scale(&m, scale, scale);
            cairo_matrix_translate(&m, -w / 2.0, -h / 2.0);
            const std::optional<ConvolutionFilter> filter = bestFilterFor(m);
            const std::optional<PixmanSampling> sampling = pixmanSampling(m, w / 2.0, h / 2.0);
            ASSERT_TRUE(filter && sampling);
            const std::vector<uint32_t> theirs = cairoPaint(source, sw, sh, m, w, h);
            for (SamplerCode code : {SamplerCode::Fastest, SamplerCode::Portable}) {
                std::vector<uint32_t> mine(size_t(w) * h);
                sampleConvolved(source.data(), sw, sh, *sampling, *filter, w, h, mine.data(), w, code);
                for (size_t i = 0; i < mine.size(); ++i)
                    ASSERT_EQ(mine[i] & 0xFFFFFFu, theirs[i] & 0xFFFFFFu) << degrees << " degrees, scale " << scale
                                                                          << ", pixel " << i % w << "," << i / w;
            }
            ++compared;
        }
    }
    EXPECT_EQ(compared, 40);
}

// The renderer checks its own paths against cairo on its first tiles and would quietly
// hand back to cairo on a difference; on this build of cairo and pixman they must hold.
TEST(FiltersConvolution, TheRenderersOwnPathsHoldForTurnsOfEveryKind) {
    ImageObject source = *createImage(600, 500, 24, 0);
    std::mt19937 random(5);
    for (uint8_t& byte : source.pixels) byte = uint8_t(random());
    for (int degrees : {33, 90, 180, 270, 301}) {
        bool ownPathsHeld = false;
        ASSERT_TRUE(testing::renderedTileByTile(source, degrees, 0x00405060, PixelTone::AsIs, ownPathsHeld));
        EXPECT_TRUE(ownPathsHeld) << degrees;
    }
}

}  // namespace
}  // namespace tesselon
