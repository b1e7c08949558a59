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
// windows alive. Every listed image is sent; the results are not examined.
void uploadTestPack(Frontend& ui, FtpClient& client, const std::string& packFolder, const std::string& folder,
                    const std::vector<SourceImageEntry>& images) {
    const size_t total = images.size();
    if (total > 0) ui.showRemoteProgress(progressAt(RemotePhase::Uploading, 0, total));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        // An exception on a worker thread would end the program: the upload stops instead.
        try {
            for (size_t i = 0; i < total; ++i) {
                const std::string remote = remoteNameFor(folder, images[i].path);
                const size_t slash = remote.rfind('/');
                if (slash != std::string::npos && slash > 0) createRemotePath(client, remote.substr(0, slash));
                client.session()->upload(packFolder + images[i].path, remote);
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
bool runTestUpload(const RemoteContext& context, FtpClient& client, const std::string& folder) {
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
    uploadTestPack(ui, client, packFolder, folder, images);
    ui.waitPumpingEvents(2000);

    ui.closeProgressWindow();
    return cancel.requested();
}

// FTP and FTPS: the folder is valid when it can be entered; a missing one gets the
// test pack first when asked.
void checkFtpFolder(const RemoteContext& context, FtpClient& client, ConnectionTestReport& report, bool testUpload) {
    bool entered = client.changeDir(report.folder);
    if (testUpload) {
        // The test images go only into a folder that did not exist yet.
        if (!entered && createRemotePath(client, report.folder))
            report.uploadCancelled = runTestUpload(context, client, report.folder);
        entered = client.changeDir(report.folder);
    }
    report.folderValid = entered;
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
    if (!report.folder.empty()) {
        if (auto* ftp = dynamic_cast<FtpClient*>(client.get())) {
            checkFtpFolder(context, *ftp, report, options.testUpload);
        } else {
            // SFTP has no test upload: the folder is valid when it can be listed.
            RemoteListBounds bounds;
            bounds.maxEntries = 1;
            const RemoteListing listing = client->list(report.folder, bounds);
            report.folderValid = listing.failure == RemoteFailure::None || listing.overBound;
        }
    }
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
