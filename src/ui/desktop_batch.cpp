#include "ui/desktop_batch.h"

#include "core/state.h"
#include "sources/scan_images.h"
#include "engine/remote_context_of.h"
#include "ui/desktop_publish.h"
#include "ui/qt_frontend.h"

namespace tesselon {

DesktopBatch desktopBatchOf(AppState& state) {
    DesktopBatch parts;
    parts.settings = &state.settings;
    parts.list = &state.SourceImageList;
    parts.phrases = &state.PhrasesList;
    parts.defaultWatermark = state.DefaultWatermarkText;
    parts.fontDpi = state.fontDpi;
    parts.codecs = &state.codecs;
    parts.frontend = state.frontend;
    parts.preview = &state.preview;
    parts.cancel = state.cancel.get();
    parts.rescan = [&state] {
        scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList,
                   state.settings.entorno.imagenesRecursivo != 0);
    };
    if (const auto* window = dynamic_cast<const QtFrontend*>(state.frontend)) {
        parts.paneImageOf = window->panePictureMaker();
        parts.paneRowsOf = window->paneRowPictureMaker();
    }
    parts.tellEnd = [&state](const BatchEnd& end) {
        tellBatchEnd(remoteContextOf(state), state.settings.entorno, state.SourceImageList, end);
    };
    return parts;
}

void runDesktopBatch(AppState& state, bool previewOnly) {
    if (runBatch(desktopBatchOf(state), previewOnly) == BatchRun::Converted)
        state.settings.config.Cancelado = state.cancel->requested() ? 1 : 0;
}

}  // namespace tesselon
