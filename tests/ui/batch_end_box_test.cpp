// The box at the end of a window's batch: what it says of images another image's
// output name left out, and of a batch an exception stopped.
#include <gtest/gtest.h>

#include "ui/batch_end_box.h"

namespace tesselon {
namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(BatchEndBox, AnImageWhoseOutputNameAnotherKeepsIsNamedWithThatImage) {
    BatchEnd end;
    end.total = 2;
    end.converted = 1;
    end.failed.push_back(FailedImage{"fotos/anim.webp", ImageFailure::ResultNameTaken, "fotos/anim.gif"});
    const MessageBoxText box = batchEndBox(end);
    EXPECT_EQ(box.title, "Fin de proceso con errores");
    EXPECT_TRUE(has(box.text, "• fotos/anim.webp: no se guardó: su resultado tendría el mismo nombre que el de "
                              "fotos/anim.gif"))
        << box.text;
}

TEST(BatchEndBox, ABatchStoppedForWantOfMemoryNeverReadsAsComplete) {
    BatchEnd end;
    end.total = 5;
    end.converted = 5;  // every image saved before the stop, none failed
    end.stop = BatchStop::OutOfMemory;
    const MessageBoxText box = batchEndBox(end);
    EXPECT_EQ(box.title, "Fin de proceso con errores");
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_TRUE(has(box.text, "no había memoria suficiente")) << box.text;
    EXPECT_FALSE(has(box.text, "Imágenes sin resultado")) << box.text;

    end.stop = BatchStop::InternalError;
    end.converted = 2;
    end.failed.push_back(FailedImage{"b.png", ImageFailure::ProcessingFailed, {}});
    const MessageBoxText fault = batchEndBox(end);
    EXPECT_TRUE(has(fault.text, "Se convirtieron 2 de 5 imágenes.")) << fault.text;
    EXPECT_TRUE(has(fault.text, "por un error interno")) << fault.text;
    EXPECT_TRUE(has(fault.text, "• b.png: ")) << fault.text;
}

}  // namespace
}  // namespace tesselon
