#include "sources/scan_images.h"

#include <vector>

#include "core/frontend.h"
#include "core/records.h"
#include "settings/remote_endpoint_of.h"
#include "sources/extension_filter.h"
#include "sources/folder_scan.h"
#include "sources/remote_scan.h"
#include "sources/scan_texts.h"

namespace tesselon {

namespace {

bool onlySpaces(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

std::string replaceBars(const std::string& list) {
    std::string out;
    for (char c : list) {
        if (c == '|') {
            out += ", ";
        } else {
            out += c;
        }
    }
    return out;
}

// The local source folder with its trailing "/". An empty setting names no folder: it
// must not turn into "/" and walk the whole file system.
std::string localBase(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + "/";
}

// A remote folder with one "/" at each end, however it was typed.
std::string remoteFolder(const std::string& folder) {
    std::string out = folder;
    for (char& c : out)
        if (c == '\\') c = '/';
    if (out.empty() || out.front() != '/') out.insert(out.begin(), '/');
    if (out.back() != '/') out += '/';
    return out;
}

}  // namespace

std::string listOriginOf(const STRProcesosEntorno& env) {
    if (sourceKindOf(env) != SourceKind::Remote) return localBase(env.RutaOrigenLocal);
    return std::string(protocolName(protocolOf(env))) + "://" + env.usuario + "@" + env.servidor + ":" + env.puerto + remoteFolder(env.RutaOrigenRemoto);
}

int scanImages(const RemoteContext& context, STRProcesosEntorno& env, SourceImageList& list, bool recursive,
               std::vector<ScanProblem>* problems, RemoteScanOutcome* remote) {
    Frontend& ui = context.frontend;
    std::vector<SourceImageEntry> found;

    CancelToken& cancel = context.cancel;
    cancel.clear();  // a request that ended an earlier operation does not stop this scan
    ui.setStatusLine(true, "");
    list.clear();
    env.TotalImagesOrigen = 0;

    const std::string extensionList = asciiLower(env.ExtensionesActivas);
    if (onlySpaces(extensionList)) {
        ui.messageBox(kNoExtensionTitle, kNoExtensionText, MessageButtons::Ok, MessageIcon::Error);
        return 0;
    }

    ui.openProgressWindow(kScanProgressTitle, 1);
    ui.waitPumpingEvents(10);
    ui.setMainWindowEnabled(false);
    ui.waitPumpingEvents(50);

    std::string base;
    if (sourceKindOf(env) == SourceKind::Remote) {
        RemoteContext counting = context;
        counting.imagesFound = &env.TotalImagesOrigen;
        RemoteScanOutcome outcome = scanRemoteSource(counting, remoteEndpointOf(env), found, extensionList, recursive);
        ui.showRemoteScanEnd(outcome);
        if (problems) problems->insert(problems->end(), outcome.problems.begin(), outcome.problems.end());
        if (remote) *remote = std::move(outcome);
    } else {
        base = localBase(env.RutaOrigenLocal);
        if (!base.empty()) {
            ScanContext context{&cancel, &env.TotalImagesOrigen, &ui};
            const std::optional<FolderIdentity> destination = folderIdentity(env.RutaImagenesDestino);
            if (destination) context.skipFolder = &*destination;
            context.problems = problems;
            scanFolderByExtensions(context, base, found, true, extensionList, recursive);
        }
    }

    env.UltimasExtensionesDescargadas = asciiUpper(replaceBars(extensionList));
    env.UltimoEscaneoImagenesLocalRemoto = env.LocalRemoto;

    std::vector<SourceImageEntry>& entries = list.entries;
    if (base.empty()) {
        entries = std::move(found);  // remote paths are whole already; a long list is not copied
    } else {
        entries.reserve(found.size());
        for (SourceImageEntry& item : found) {
            SourceImageEntry& entry = entries.emplace_back();
            entry.path = base + item.path;
            entry.size = item.size;
        }
    }
    env.TotalImagesOrigen = int64_t(entries.size());
    list.current = 0;
    list.origin = listOriginOf(env);

    ui.showCounts(0);
    if (cancel.requested()) ui.setStatusLine(false, kScanCancelledText);

    ui.closeProgressWindow();
    ui.setMainWindowEnabled(true);
    ui.bringMainWindowToFront();
    ui.waitPumpingEvents(50);
    return 0;
}

bool confirmRescan(const RemoteContext& context, STRProcesosEntorno& env, SourceImageList& list) {
    Frontend& ui = context.frontend;
    const bool recursive = env.imagenesRecursivo != 0;
    ui.setSourceChangedNotice(false);
    if (recursive &&
        ui.messageBox(kRescanTitle, kRescanQuestion, MessageButtons::YesNo, MessageIcon::Warning) != MessageAnswer::Yes) {
        ui.setSourceChangedNotice(true);
        return false;
    }
    scanImages(context, env, list, recursive);
    return true;
}

}  // namespace tesselon
