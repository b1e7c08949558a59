#include "ui/desktop_publish.h"

#include <climits>
#include <unordered_set>

#include "core/frontend.h"
#include "core/image_failure.h"
#include "runtime/text/ascii_text.h"
#include "settings/remote_endpoint_of.h"
#include "ui/batch_end_box.h"

namespace tesselon {

namespace {

// A byte count scaled to the progress bar's int range.
int barValue(uint64_t value, uint64_t maximum) {
    if (maximum <= uint64_t(INT_MAX)) return int(value);
    return int(value / (maximum / uint64_t(INT_MAX) + 1));
}

RetryAnswer askAbout(Frontend& ui, const FailedPublish& failed) {
    const MessageBoxText box = publishRetryQuestion(failed);
    switch (ui.messageBox(box.title, box.text, box.buttons, box.icon)) {
    case MessageAnswer::Yes: return RetryAnswer::Retry;
    case MessageAnswer::No: return RetryAnswer::Skip;
    default: return RetryAnswer::Cancel;
    }
}

}  // namespace

bool publishesResults(const STRProcesosEntorno& env) { return !trimSpaces(env.carpetaPublicacion).empty(); }

std::vector<PublishItem> publishItemsOf(const STRProcesosEntorno& env, const SourceImageList& list) {
    const bool remote = lastScanKindOf(env) == SourceKind::Remote;
    const std::string scanned = remote ? env.RutaOrigenRemoto : env.RutaOrigenLocal;
    const std::string folder(trimSpaces(env.carpetaPublicacion));
    std::unordered_set<std::string> sources;
    if (remote)
        for (const SourceImageEntry& entry : list.entries) sources.insert(entry.path);
    std::vector<PublishItem> items;
    for (const SourceImageEntry& entry : list.entries) {
        if (entry.saved != 1 || entry.outputPath.empty()) continue;
        items.push_back(publishItemOf(folder, scanned, entry.path, entry.outputPath, sources,
                                      env.imagenesSobreescribir != 0));
    }
    return items;
}

PublishEnd publishBatchResults(const RemoteContext& context, const STRProcesosEntorno& env,
                               const SourceImageList& list) {
    Frontend& ui = context.frontend;
    PublishEnd end;
    end.folder = std::string(trimSpaces(env.carpetaPublicacion));
    const std::vector<PublishItem> items = publishItemsOf(env, list);
    end.total = items.size();
    for (const PublishItem& item : items) end.remotePaths.push_back(item.remotePath);
    if (items.empty()) return end;

    ui.openProgressWindow(kPublishingText, int(std::min<size_t>(items.size(), INT_MAX)));
    ui.waitPumpingEvents(10);
    PublishProgress shown;
    bool first = true;
    PublishOptions options;
    options.progress = [&](const PublishProgress& p) {
        if (!first && p.done == shown.done && p.bytes == shown.bytes) return;
        if (first || p.done != shown.done) ui.setProgressText(publishProgressText(p));
        // The bar follows the bytes, so a few large results still show it move.
        if (first) ui.openProgressWindow(publishProgressText(p), barValue(p.totalBytes, p.totalBytes));
        ui.setProgressPosition(barValue(p.bytes, p.totalBytes));
        first = false;
        shown = p;
    };
    options.askRetry = [&ui](const FailedPublish& failed) { return askAbout(ui, failed); };
    end.outcome = publishResults(context, remoteEndpointOf(env), items, options);
    ui.closeProgressWindow();
    return end;
}

void tellBatchEnd(const RemoteContext& context, const STRProcesosEntorno& env, const SourceImageList& list,
                  const BatchEnd& end) {
    Frontend& ui = context.frontend;
    // A batch stopped by a fault, or by CANCELAR, publishes nothing: its end is told as it is.
    if (!publishesResults(env) || end.stop != BatchStop::None || context.cancel.requested()) {
        ui.showBatchEnd(end);
        return;
    }
    const PublishEnd publish = publishBatchResults(context, env, list);
    const MessageBoxText box = batchEndBox(end, publish);
    ui.messageBox(box.title, box.text, box.buttons, box.icon);
}

}  // namespace tesselon
