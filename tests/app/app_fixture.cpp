#include "app_fixture.h"

#include <filesystem>

#include "runtime/dates/dates.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {

bool writeSolidImage(const std::string& path, int width, int height, uint32_t colour) {
    std::optional<ImageObject> image = createImage(width, height, 24, colour);
    if (!image) return false;
    const bool png = path.size() > 4 && path.substr(path.size() - 4) == ".png";
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return saveImage(*image, path, *formatByExtension(png ? "png" : "jpg"));
}

uint32_t centreColour(const ImageObject* pane) {
    const uint8_t* p = pane->row(pane->height / 2) + size_t(pane->width / 2) * size_t(pane->bytesPerPixel());
    return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

Settings DesktopTest::settingsFor(const std::string& source, const std::string& destination) {
    Settings s;
    resetToDefaults(s, buildDefaultWatermarkText(currentDate()));
    s.entorno.RutaOrigenLocal = source;
    s.entorno.RutaImagenesDestino = destination;
    s.entorno.ExtensionesActivas = "JPG|JPEG|PNG";
    s.entorno.imagenesRecursivo = 0;
    return s;
}

void DesktopTest::writeDefaultSettings(const Settings& settings) {
    programFolder.write("default.cfg", composeSettingsText(settings, currentDate()));
}

void DesktopTest::startWithImages(int count, std::function<void(Settings&)> adjust) {
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(writeSolidImage(source.file(std::string(1, char('a' + i)) + ".png"), 60 + 10 * i, 40,
                                    colourOf(i)));
    startScanningSource(std::move(adjust));
    ASSERT_EQ(state().SourceImageList.size(), size_t(count));
}

void DesktopTest::startScanningSource(std::function<void(Settings&)> adjust) {
    Settings s = settingsFor(source.path(), destination.path());
    if (adjust) adjust(s);
    writeDefaultSettings(s);
    giveConsent();
    answers = {MessageAnswer::Yes};
    ASSERT_TRUE(startWith());
}

bool DesktopTest::previews(const std::function<void()>& action) {
    controls().setText(Gadget_Principal_Text_InfoNumImagenes, "sentinel");
    action();
    return controls().text(Gadget_Principal_Text_InfoNumImagenes) != "sentinel";
}

}  // namespace tesselon::testing
