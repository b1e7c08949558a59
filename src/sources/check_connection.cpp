#include "sources/check_connection.h"

#include <atomic>
#include <thread>
#include <vector>

#include "core/frontend.h"
#include "remote/create_remote_path.h"
#include "runtime/text/ascii_text.h"
#include "sources/folder_scan.h"
#include "sources/open_remote_client.h"
#include "sources/pause_for_events.h"

namespace tesselon {

namespace {

constexpr const char* kTestPatterns[] = {"*.jpg", "*.jpeg", "*.png", "*.gif"};

// Remote folder + "/" + the image's path below the test pack, with exactly one "/"
// between them.
std::string remoteNameFor(const std::string& folder, std::string relative) {
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    std::string name = folder;
    while (!name.empty() && name.back() == '/') name.pop_back();
    while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
    return name + "/" + relative;
}

// The upload of the listed test images on a worker thread, while this thread keeps the
// windows alive. The images go one after the other until the user cancels (the one in
// hand is finished) or the connection breaks; a refused image does not stop the rest.
void uploadTestPack(Frontend& ui, RemoteClient& client, const CancelToken& cancel, const std::string& packFolder,
                    const std::string& folder, const std::vector<SourceImageEntry>& images) {
    const size_t total = images.size();
    if (total > 0) ui.showRemoteProgress(progressAt(RemotePhase::Uploading, 0, total));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        // An exception on a worker thread would end the program: the upload stops instead.
        try {
            for (size_t i = 0; i < total && !cancel.requested() && client.usable(); ++i) {
                const std::string remote = remoteNameFor(folder, images[i].path);
                const size_t slash = remote.rfind('/');
                if (slash != std::string::npos && slash > 0) createRemotePath(client, remote.substr(0, slash));
                client.store(fileAt(packFolder + images[i].path), remote);
                RemoteProgress progress = progressAt(RemotePhase::Uploading, i + 1, total);
                progress.name = remote;
                ui.showRemoteProgress(progress);
            }
        } catch (...) {
        }
        done = true;
    });
    while (!done) pauseForEvents(ui, 200);
    worker.join();
}

// True when the user cancelled the upload.
bool runTestUpload(const RemoteContext& context, RemoteClient& client, const std::string& folder) {
    Frontend& ui = context.frontend;
    CancelToken& cancel = context.cancel;
    cancel.clear();
    ui.setStatusLine(true, "");
    ui.waitPumpingEvents(10);
    ui.showRemoteProgress(progressAt(RemotePhase::Uploading, 0, 0));
    ui.waitPumpingEvents(50);

    // The test pack is listed here, where the cancel button is heard between images.
    const std::string packFolder = testPackFolder(context.trust);
    std::vector<SourceImageEntry> images;
    const ScanContext scan{&cancel, nullptr, &ui};
    for (const char* pattern : kTestPatterns) scanFolderByPattern(scan, packFolder, images, pattern, true);
    uploadTestPack(ui, client, cancel, packFolder, folder, images);
    if (!cancel.requested()) ui.waitPumpingEvents(2000);

    ui.closeProgressWindow();
    return cancel.requested();
}

// The folder is valid when it can be entered (FTP, FTPS) or listed (SFTP); a missing
// one gets the test pack first when asked.
void checkFolder(const RemoteContext& context, RemoteClient& client, ConnectionTestReport& report, bool testUpload) {
    bool reachable = remoteFolderExists(client, report.folder);
    // The test images go only into a folder that did not exist yet.
    if (testUpload && !reachable && createRemotePath(client, report.folder)) {
        report.uploadCancelled = runTestUpload(context, client, report.folder);
        reachable = remoteFolderExists(client, report.folder);
    }
    report.folderValid = reachable;
}

}  // namespace

ConnectionCheck checkConnection(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                const ConnectionCheckOptions& options) {
    Frontend& ui = context.frontend;
    ConnectionCheck result;
    ConnectionTestReport& report = result.report;
    const auto tell = [&ui, &options, &report] {
        if (!options.untold) ui.showConnectionTest(report, options.silent);
    };
    std::unique_ptr<RemoteClient> client = openRemoteClient(context, endpoint, report.connection);
    report.folder = std::string(trimSpaces(endpoint.folder));
    if (!client) {
        // An FTP check that could not connect names no folder.
        if (endpoint.protocol != RemoteProtocol::Sftp) report.folder.clear();
        tell();
        return result;
    }
    if (!report.folder.empty()) checkFolder(context, *client, report, options.testUpload);
    if (options.keepOpen) {
        result.handle = keepInSessionTable(context.sessions, *client);
        result.client = std::move(client);
    } else {
        client.reset();  // QUIT before the report is shown
    }
    tell();
    return result;
}

}  // namespace tesselon
