// A Frontend double for engine tests: records every message box, status line and
// progress text, and answers questions from a script.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/frontend.h"

namespace tesselon::testing {

struct ShownMessage {
    std::string title;
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
};

class ScriptedFrontend : public Frontend {
public:
    // Answers given to the next questions, in order. When the script runs out, a box
    // with OK only answers Ok and any question fails the test.
    std::deque<MessageAnswer> answers;

    std::vector<ShownMessage> messages;
    std::vector<std::string> statusLines;  // every text written, in order
    bool statusHidden = true;
    std::vector<std::string> progressTexts;
    bool progressOpen = false;
    bool mainEnabled = true;
    int pumpedEvents = 0;
    double waitedMs = 0;
    // Runs as the progress bar moves (to press Cancelar with an operation in hand).
    std::function<void(int)> onProgressPosition;

    MessageAnswer messageBox(std::string_view title, std::string_view text,
                             MessageButtons buttons, MessageIcon icon) override;
    void setStatusLine(bool hide, std::string_view text) override;
    void openProgressWindow(std::string_view text, int maximum) override;
    void setProgressText(std::string_view text) override;
    void setProgressPosition(int position) override {
        if (onProgressPosition) onProgressPosition(position);
    }
    void closeProgressWindow() override { progressOpen = false; }
    void waitPumpingEvents(double ms) override;
    void pumpOneEvent() override { ++pumpedEvents; }
    void setMainWindowEnabled(bool enabled) override { mainEnabled = enabled; }
    void bringMainWindowToFront() override {}
    void showBatchEnd(const BatchEnd& end) override { batchEnds.push_back(end); }

    std::vector<BatchEnd> batchEnds;  // every batch that ran to its end

    // The remote source: what was reported, and scripted answers to its questions. A
    // question the script does not answer fails the test (and is answered No / Cancel).
    std::deque<RetryAnswer> retryAnswers;
    std::deque<bool> trustAnswers;
    std::vector<FailedRemoteFile> retryQuestions;
    std::vector<ServerIdentity> trustQuestions;
    std::vector<ConnectionTestReport> connectionTests;  // every report, silent or not
    std::vector<bool> connectionTestsSilent;
    std::vector<RemoteScanOutcome> scanEnds;
    std::vector<RemoteProgress> remoteProgress;

    void showRemoteProgress(const RemoteProgress& progress) override;
    void showConnectionTest(const ConnectionTestReport& report, bool silent) override;
    bool askTrustServer(const ServerIdentity& identity) override;
    RetryAnswer askRetryRemoteFile(const FailedRemoteFile& file) override;
    void showRemoteScanEnd(const RemoteScanOutcome& outcome) override { scanEnds.push_back(outcome); }

private:
    std::mutex progressMutex_;  // the test upload reports from its worker
};

}  // namespace tesselon::testing
