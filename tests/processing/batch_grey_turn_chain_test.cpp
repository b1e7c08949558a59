// The chain's operations on real pictures give what the operations give one after another
// in their documented order, however the chain combines them internally: colours,
// text before the turn, the turn, text after it, the resize.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "processing/batch/image_pipeline.h"
#include "processing/filters/filters.h"
#include "processing/text/text_block.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

const char* const kText = "Text Sample\nover Image";

ImageObject fixture(const std::string& name) { return testing::decodedFixture(name); }

PipelineSettings settingsWith(const STRProcesosImage& image) {
    PipelineSettings s;
    s.image = image;
    s.font.Nombre = "Arial";
    s.font.Tamagno = 9;
    s.font.Bold = 256;
    s.font.ColorBorde = 0x00FFFF;  // yellow outline, so the text is not grey
    s.textPosition = 2 | 4;
    return s;
}

// Each operation on its own, in the order the chain documents.
std::optional<ImageObject> oneAfterAnother(const PipelineSettings& s, bool resize, ImageObject picture) {
    const STRProcesosImage& op = s.image;
    if (op.Contraste > 0) applyContrast(picture, op.Contraste);
    if (op.EspejoH) mirrorImage(picture, false);
    if (op.EspejoV) mirrorImage(picture, true);
    if (op.EscalaGrises) applyGreyScale(picture);
    if (op.InvertirColores) applyInvert(picture);
    if (op.TintarImagen) applyTint(picture, uint32_t(op.TinteColor), op.TinteCantidad);
    std::optional<ImageObject> working = std::move(picture);
    const auto text = [&] { working = drawTextBlock(kText, std::move(working), s.font, s.textPosition, s.fontDpi); };
    if (op.MarcaDeAgua == 1 && op.RotarAntesQueTexto == 1) text();
    if (op.Rotar >= 1 && op.Rotar <= 359) working = rotateImage(*working, op.Rotar, uint32_t(op.ColorFondo));
    if (op.MarcaDeAgua == 1 && op.RotarAntesQueTexto == 0) text();
    if (working && resize) resizeForOutput(*working, op.ResizeProporcional != 0, op.ResizeH, op.ResizeV);
    return working;
}

void expectChainAsSteps(const STRProcesosImage& image, bool resize, const ImageObject& picture) {
    SCOPED_TRACE(::testing::Message() << "turn " << image.Rotar << " grey " << int(image.EscalaGrises) << " invert "
                                      << int(image.InvertirColores) << " tint " << int(image.TintarImagen)
                                      << " text " << int(image.MarcaDeAgua) << (image.RotarAntesQueTexto ? " before" : " after")
                                      << " resize " << resize << " depth " << int(picture.depth) << " "
                                      << picture.width << "x" << picture.height);
    const PipelineSettings s = settingsWith(image);
    PipelineJob job;
    job.overlayText = kText;
    job.resize = resize;
    const ProcessedImage chain = applyOperations(s, job, picture);
    const std::optional<ImageObject> steps = oneAfterAnother(s, resize, picture);
    ASSERT_TRUE(chain.image);
    ASSERT_TRUE(steps);
    EXPECT_EQ(chain.image->width, steps->width);
    EXPECT_EQ(chain.image->height, steps->height);
    EXPECT_EQ(chain.image->depth, steps->depth);
    EXPECT_TRUE(chain.image->pixels == steps->pixels);
}

STRProcesosImage greyTurn(int degrees) {
    STRProcesosImage image;
    image.EscalaGrises = 1;
    image.Rotar = degrees;
    image.ColorFondo = 0x00204080;
    image.ResizeProporcional = 1;
    image.ResizeH = 40;
    image.ResizeV = 40;
    return image;
}

// The batch's usual job: grey, a quarter turn, the text after it, the resize.
TEST(GreyTurnChain, UsualJobOnAPhotoEitherWay) {
    const ImageObject photo = fixture("photo.jpg");
    for (int degrees : {90, 180, 270})
        for (bool resize : {true, false}) {
            STRProcesosImage image = greyTurn(degrees);
            image.MarcaDeAgua = 1;
            expectChainAsSteps(image, resize, photo);
            image.MarcaDeAgua = 0;
            expectChainAsSteps(image, resize, photo);
        }
}

TEST(GreyTurnChain, TextBeforeTheTurnIsGreyedNeverItself) {
    STRProcesosImage image = greyTurn(90);
    image.MarcaDeAgua = 1;
    image.RotarAntesQueTexto = 1;
    expectChainAsSteps(image, true, fixture("photo.jpg"));
    image.Rotar = 270;
    expectChainAsSteps(image, false, fixture("photo.jpg"));
}

TEST(GreyTurnChain, ColourOperationsAfterTheGreyKeepTheirPlace) {
    const ImageObject photo = fixture("photo.jpg");
    STRProcesosImage image = greyTurn(90);
    image.InvertirColores = 1;
    expectChainAsSteps(image, true, photo);
    image.InvertirColores = 0;
    image.TintarImagen = 1;
    image.TinteColor = 0x0000C0FF;
    image.TinteCantidad = 40;
    expectChainAsSteps(image, true, photo);
    image.InvertirColores = 1;
    image.Rotar = 270;
    expectChainAsSteps(image, false, photo);
}

TEST(GreyTurnChain, ContrastAndMirrorsBeforeTheGrey) {
    const ImageObject photo = fixture("photo.jpg");
    STRProcesosImage image = greyTurn(270);
    image.Contraste = 60;
    image.EspejoH = 1;
    expectChainAsSteps(image, true, photo);
    image.EspejoV = 1;
    image.Rotar = 90;
    image.MarcaDeAgua = 1;
    expectChainAsSteps(image, true, photo);
}

TEST(GreyTurnChain, TransparentAndTinyPictures) {
    STRProcesosImage image = greyTurn(90);
    image.MarcaDeAgua = 1;
    expectChainAsSteps(image, true, fixture("rgba8.tif"));
    image.Rotar = 270;
    expectChainAsSteps(image, false, fixture("rgba8.tif"));
    ImageObject dot = *createImage(1, 1, 24, 0x00123456);
    expectChainAsSteps(image, true, dot);
    ImageObject clearDot = *createImage(1, 1, 32, 0x80654321);
    expectChainAsSteps(image, true, clearDot);
    image.Rotar = 90;
    expectChainAsSteps(image, false, *createImage(3, 1, 32, 0x40FFFFFF));
}

TEST(GreyTurnChain, GreyWithoutATurnAndTurnWithoutGrey) {
    const ImageObject photo = fixture("photo.jpg");
    STRProcesosImage image = greyTurn(0);
    image.MarcaDeAgua = 1;
    expectChainAsSteps(image, true, photo);
    image = greyTurn(90);
    image.EscalaGrises = 0;
    expectChainAsSteps(image, true, photo);
    image = greyTurn(37);
    expectChainAsSteps(image, true, photo);
}

}  // namespace
}  // namespace tesselon
