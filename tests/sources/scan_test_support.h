// A front end for scan tests that records the main-window hooks and can press the
// progress window's cancel button after a given number of pumped events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "engine/remote_context_of.h"
#include "support/scripted_frontend.h"

namespace tesselon::testing::scan {


class ScanFrontend : public ScriptedFrontend {
public:
    explicit ScanFrontend(AppState& state) : state_(state) { state_.frontend = this; }

    int cancelAfterEvents = -1;  // -1: never
    // Runs whenever the operation pauses to keep the windows alive.
    std::function<void()> whilePausing;
    std::vector<int> countsShown;
    std::vector<bool> noticeStates;
    int broughtToFront = 0;

    // The progress window's Cancelar.
    void requestCancel() { state_.cancel->request(); }

    void pumpOneEvent() override {
        ScriptedFrontend::pumpOneEvent();
        if (cancelAfterEvents >= 0 && pumpedEvents >= cancelAfterEvents) requestCancel();
    }
    void waitPumpingEvents(double ms) override {
        ScriptedFrontend::waitPumpingEvents(ms);
        if (whilePausing) whilePausing();
    }
    void showCounts(int index) override { countsShown.push_back(index); }
    void setSourceChangedNotice(bool visible) override { noticeStates.push_back(visible); }
    void bringMainWindowToFront() override { ++broughtToFront; }

private:
    AppState& state_;
};

inline std::vector<std::string> pathsOf(const std::vector<SourceImageEntry>& entries) {
    std::vector<std::string> paths;
    for (const SourceImageEntry& entry : entries) paths.push_back(entry.path);
    return paths;
}

}  // namespace tesselon::testing::scan
