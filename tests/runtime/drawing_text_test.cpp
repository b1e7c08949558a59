#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "drawing_test_images.h"
#include "runtime/drawing/colour.h"
#include "runtime/drawing/font.h"
#include "runtime/drawing/text_measurer.h"
#include "runtime/drawing/vector_drawing.h"

namespace tesselon {
namespace {

using testing::makeImage;
using testing::pixel;

Font arial(uint32_t style = 0) {
    std::optional<Font> font = loadFont("Arial", 12, style, 96);
    EXPECT_TRUE(font);
    return font.value_or(Font{});
}

TEST(TextMeasurer, InkAndLayoutWidths) {
    TextMeasurer m;
    ASSERT_TRUE(m.setFont(arial(), 40));
    const double bar = m.width("|", kTextVisible);
    const double w = m.width("W", kTextVisible);
    EXPECT_GT(bar, 1.0);
    EXPECT_LT(bar, 6.0);
    EXPECT_GT(w, 30.0);
    EXPECT_LT(w, 40.0);
    // The layout box adds the side bearings the ink leaves out.
    EXPECT_GT(m.width("|", kTextOffset), 1.0);
    EXPECT_NEAR(m.width("|", kTextOffset) * 2 + bar, m.width("|"), 0.5);

    // Trailing spaces count in the layout only.
    const double space = m.width("a ") - m.width("a");
    EXPECT_GT(space, 5.0);
    EXPECT_NEAR(m.width("a   ") - m.width("a"), 3 * space, 1e-6);
    EXPECT_DOUBLE_EQ(m.width("a  ", kTextVisible), m.width("a", kTextVisible));
    EXPECT_NEAR(m.width(" a", kTextOffset) - m.width("a", kTextOffset), space, 1e-2);
    EXPECT_EQ(m.width(" ", kTextVisible), 0.0);

    EXPECT_GT(m.width("ab\xFF\xFE" "cd"), m.width("abcd"));  // invalid UTF-8 is measured, not dropped
}

TEST(TextMeasurer, SizesAreEmPixelsAndScaleLinearly) {
    Font small = loadFont("Arial", 8, 0, 96).value();
    Font large = loadFont("Arial", 72, 0, 120).value();
    TextMeasurer a, b;
    ASSERT_TRUE(a.setFont(small, 25));
    ASSERT_TRUE(b.setFont(large, 25));
    EXPECT_DOUBLE_EQ(a.width("Hola mundo", kTextVisible), b.width("Hola mundo", kTextVisible));

    ASSERT_TRUE(b.setFont(large, 50));
    EXPECT_NEAR(b.width("Hola mundo") / a.width("Hola mundo"), 2.0, 1e-3);
    EXPECT_NEAR(b.height("|", kTextVisible) / a.height("|", kTextVisible), 2.0, 1e-2);
    // Liberation Sans: ascent 0.905 em, ascent and descent 1.117 em.
    EXPECT_NEAR(a.height("x", kTextBaseline), 25 * 0.905, 0.05);
    EXPECT_NEAR(a.height("x"), 25 * 1.117, 0.05);
}

TEST(VectorText, DrawingMeasuresExactlyLikeAMeasurer) {
    ImageObject image = makeImage(50, 50, 24);
    auto drawing = VectorDrawing::start(image);
    ASSERT_TRUE(drawing);
    TextMeasurer m;
    for (const Font& font : {arial(), loadFont("Calibri", 11, kFontBold | kFontItalic, 96).value()}) {
        ASSERT_TRUE(drawing->setFont(font, 33));
        ASSERT_TRUE(m.setFont(font, 33));
        drawing->rotateCoordinates(10, 10, 30);  // measurement does not depend on the transform
        for (const std::string text : {"Wg|", "Texto de prueba ", "ñandú"}) {
            for (uint32_t flags : {0u, 2u, 4u, 6u, 8u}) {
                EXPECT_EQ(drawing->textWidth(text, flags), m.width(text, flags)) << text << " " << flags;
                EXPECT_EQ(drawing->textHeight(text, flags), m.height(text, flags)) << text << " " << flags;
            }
        }
    }
}

TEST(VectorText, OutlineLandsOnTheMeasuredInkBounds) {
    for (const uint32_t style : {0u, uint32_t(kFontStrikeOut), uint32_t(kFontUnderline | kFontItalic)}) {
        const Font font = arial(style);
        ImageObject image = makeImage(200, 80, 24, {0, 0, 0});
        TextBox ink;
        {
            auto drawing = VectorDrawing::start(image);
            ASSERT_TRUE(drawing);
            ASSERT_TRUE(drawing->setFont(font, 40));
            TextMeasurer m;
            m.setFont(font, 40);
            ink = m.inkBox("Wg|");
            drawing->setSourceColour(0xFFFFFFFF);
            drawing->movePathCursor(20.25, 10.5);
            drawing->addPathText("Wg|");
            EXPECT_DOUBLE_EQ(drawing->pathCursorX(), 20.25 + m.width("Wg|"));
            EXPECT_EQ(drawing->pathCursorY(), 10.5);
            drawing->fillPath(kPathWinding);
        }
        int left = 200, right = -1, top = 80, bottom = -1;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (pixel(image, x, y).r > 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        EXPECT_EQ(left, int(std::floor(20.25 + ink.x))) << style;
        EXPECT_EQ(right, int(std::ceil(20.25 + ink.x + ink.width)) - 1) << style;
        EXPECT_EQ(top, int(std::floor(10.5 + ink.y))) << style;
        EXPECT_EQ(bottom, int(std::ceil(10.5 + ink.y + ink.height)) - 1) << style;
    }
}

TEST(VectorText, WithoutAFontNothingIsAdded) {
    ImageObject image = makeImage(40, 40, 24);
    const std::vector<uint8_t> before = image.pixels;
    {
        auto drawing = VectorDrawing::start(image);
        ASSERT_TRUE(drawing);
        for (double size : {0.0, -3.0, std::nan(""), 1e9})
            EXPECT_FALSE(drawing->setFont(arial(), size)) << size;
        drawing->setSourceColour(0xFFFFFFFF);
        drawing->addPathText("abc");
        EXPECT_EQ(drawing->pathCursorX(), 0.0);
        EXPECT_EQ(drawing->textWidth("abc"), 0.0);
        drawing->fillPath();
    }
    EXPECT_EQ(image.pixels, before);
}

// Text drawn the way the overlay draws it: a 2-pixel outline, then the filled interior.
ImageObject renderText(const Font& font, const std::string& text, int depth, double size) {
    ImageObject image = makeImage(240, 70, depth, {30, 60, 90, 0});
    auto drawing = VectorDrawing::start(image);
    if (!drawing)
        return image;
    drawing->setFont(font, size);
    drawing->rotateCoordinates(120, 35, 7);
    drawing->movePathCursor(4, 2);
    drawing->addPathText(text);
    drawing->setSourceColour(rgba(0, 0, 0, 200));
    drawing->customDashStroke(2, {99999, 0}, 0, 0);
    drawing->movePathCursor(4, 2);
    drawing->addPathText(text);
    drawing->setSourceColour(rgba(250, 240, 10, 180));
    drawing->fillPath();
    drawing->movePathCursor(4, 36);
    drawing->addPathText(std::to_string(drawing->textWidth(text, kTextVisible)));
    drawing->fillPath(kPathWinding);
    return image;
}

TEST(VectorText, ThreadsDrawTheSameBytesAsOneThread) {
    const std::vector<Font> fonts = {arial(), loadFont("Calibri", 10, kFontItalic | kFontUnderline, 96).value(),
                                     loadFont("DejaVu Sans", 10, kFontBold | kFontStrikeOut, 96).value()};
    const std::vector<std::string> texts = {"Marca de agua", "Ñandú y pingüino", "Wave|g 0123"};
    struct Job {
        size_t font, text;
        int depth;
        double size;
    };
    std::vector<Job> jobs;
    for (size_t f = 0; f < fonts.size(); ++f)
        for (size_t t = 0; t < texts.size(); ++t)
            for (int depth : {24, 32})
                for (double size : {19.5, 28.0, 37.0})
                    jobs.push_back({f, t, depth, size});
    // The threads start with no fonts loaded anywhere, so they also load them concurrently.
    constexpr int kThreads = 4;
    std::vector<std::vector<ImageObject>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2; ++round) {
                for (size_t i = 0; i < jobs.size(); ++i) {
                    const Job& job = jobs[(i + size_t(t) * 13) % jobs.size()];
                    results[t].push_back(renderText(fonts[job.font], texts[job.text], job.depth, job.size));
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::vector<ImageObject> expected;
    for (const Job& job : jobs)
        expected.push_back(renderText(fonts[job.font], texts[job.text], job.depth, job.size));

    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(results[t].size(), 2 * jobs.size());
        for (size_t k = 0; k < results[t].size(); ++k) {
            const size_t job = (k % jobs.size() + size_t(t) * 13) % jobs.size();
            EXPECT_TRUE(results[t][k].pixels == expected[job].pixels) << "thread " << t << " drawing " << k;
        }
    }
}

}  // namespace
}  // namespace tesselon
