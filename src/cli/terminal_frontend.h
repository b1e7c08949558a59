// The Frontend of tesselon-batch: messages go to stderr, questions get fixed answers
// chosen on the command line, and there is no window to keep alive.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/frontend.h"

namespace tesselon {

class TerminalFrontend : public Frontend {
public:
    explicit TerminalFrontend(std::FILE* out = stderr) : out_(out) {}

    // Answer given to Yes/No questions; No unless the user allowed otherwise.
    MessageAnswer questionAnswer = MessageAnswer::No;
    // Silences the status line; message boxes (notices, refusals) are always printed.
    bool quiet = false;

    // Every message shown, as "title: text"; the program's final summary uses it.
    const std::vector<std::string>& shown() const { return shown_; }

    MessageAnswer messageBox(std::string_view title, std::string_view text,
                             MessageButtons buttons, MessageIcon icon) override;
    void setStatusLine(bool hide, std::string_view text) override;
    void openProgressWindow(std::string_view, int) override {}
    void setProgressText(std::string_view) override {}
    void setProgressPosition(int) override {}
    void closeProgressWindow() override {}
    void waitPumpingEvents(double) override {}
    void pumpOneEvent() override {}
    void setMainWindowEnabled(bool) override {}
    void bringMainWindowToFront() override {}

    // The remote source: a failed connection is one line on stderr, in English, with
    // what to do about a certificate or host key; questions are refused (the options
    // name what to trust beforehand) and failed files skipped.
    void showRemoteProgress(const RemoteProgress&) override {}
    void showConnectionTest(const ConnectionTestReport& report, bool silent) override;
    // Nothing is trusted by a question. A host key --host-key named and a certificate
    // --pin-sha256 named never get here: each is trusted for the run without being
    // stored, and any other that no file knows, or that does not verify, is refused.
    bool askTrustServer(const ServerIdentity&) override { return false; }
    // A refused login then says so: the user may have meant to give the password there.
    bool passwordVariableUnset = false;
    RetryAnswer askRetryRemoteFile(const FailedRemoteFile&) override { return RetryAnswer::Skip; }
    void showRemoteScanEnd(const RemoteScanOutcome&) override {}

private:
    std::FILE* out_;
    std::vector<std::string> shown_;
};

// "\r\n" and "\n" runs become single spaces so a message fits on one terminal line.
std::string oneLine(std::string_view text);

}  // namespace tesselon
