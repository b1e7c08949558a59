// Download speed of the HTTP service from a local server, and the time the update
// check against the built-in (.invalid) hosts adds to a start. Run by http.sh.
//   http_bench URL RUNS     best memory and file download speeds of URL
//   http_bench --update-check
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/private_folder.h"
#include "runtime/http/http_transfer.h"
#include "update/update_check/update_check.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace tesselon;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Waits take real time, as the desktop's do; nothing is shown or asked.
class WaitingFrontend : public Frontend {
public:
    MessageAnswer messageBox(std::string_view, std::string_view, MessageButtons, MessageIcon) override {
        return MessageAnswer::Ok;
    }
    void setStatusLine(bool, std::string_view) override {}
    void openProgressWindow(std::string_view, int) override {}
    void setProgressText(std::string_view) override {}
    void setProgressPosition(int) override {}
    void closeProgressWindow() override {}
    void waitPumpingEvents(double ms) override {
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t(ms * 1000)));
    }
    void pumpOneEvent() override {}
    void setMainWindowEnabled(bool) override {}
    void bringMainWindowToFront() override {}
    void showRemoteProgress(const RemoteProgress&) override {}
    void showConnectionTest(const ConnectionTestReport&, bool) override {}
    bool askTrustServer(const ServerIdentity&) override { return false; }
    RetryAnswer askRetryRemoteFile(const FailedRemoteFile&) override { return RetryAnswer::Skip; }
    void showRemoteScanEnd(const RemoteScanOutcome&) override {}
};

class SilentWindow : public UpdateWindowPort {
public:
    void open(const UpdateScreen&) override {}
    void show(const UpdateScreen&) override {}
    UpdateInput takeInput() override { return {}; }
    void close() override {}
};

int updateCheck() {
    WaitingFrontend frontend;
    SilentWindow window;
    AppState state;
    PrivateFolder folder;
    state.ProgramFolder = folder.path();
    state.frontend = &frontend;
    UpdateCheck check{state, window, vendorHosts(), folder.file("tesselon"), [] {}, {}, updatePublicKey()};
    const Clock::time_point start = Clock::now();
    const UpdateOutcome outcome = runUpdateCheck(check);
    std::printf("update check against %s: %.3f s (%s)\n", check.hosts.primary.c_str(), seconds(start),
                outcome == UpdateOutcome::Continue ? "no update" : "ended");
    return 0;
}

int downloads(const std::string& url, int runs) {
    PrivateFolder folder;
    double bestMemory = 1e9, bestFile = 1e9;
    size_t size = 0;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        const std::optional<std::string> body = fetchHttpMemory(url);
        bestMemory = std::min(bestMemory, seconds(start));
        if (!body) return 1;
        size = body->size();
        start = Clock::now();
        if (!fetchHttpFile(url, folder.file("copy"))) return 1;
        bestFile = std::min(bestFile, seconds(start));
    }
    const double mb = double(size) / 1e6;
    std::printf("%.1f MB: memory %.3f s (%.0f MB/s), file %.3f s (%.0f MB/s)\n", mb, bestMemory, mb / bestMemory,
                bestFile, mb / bestFile);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--update-check") return updateCheck();
    if (argc != 3) {
        std::fprintf(stderr, "usage: http_bench URL RUNS | http_bench --update-check\n");
        return 2;
    }
    return downloads(argv[1], std::atoi(argv[2]));
}
