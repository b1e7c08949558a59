// What the update tests share: a program folder with the download tools in it, a front
// end whose waits take real time, and a window 4 driven by a script.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/scripted_frontend.h"
#include "support/temp_dir.h"
#include "update/update_check/update_window_port.h"

namespace tesselon::testing {

// Waits really pass (briefly), so the loops that poll tools and transfers do not spin,
// and `onWait` runs at every wait: the test's chance to act as the user would.
class PacedFrontend : public ScriptedFrontend {
public:
    std::function<void()> onWait;
    void waitPumpingEvents(double ms) override {
        ScriptedFrontend::waitPumpingEvents(ms);
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t(std::min(ms, 2.0) * 1000)));
        if (onWait) onWait();
    }
};

// Installs a downloader into `folder` under its tool name: a copy of Debian's wget or
// aria2c, or the xh stand-in. Returns false when the program is not there to copy.
bool installTool(const TempDir& folder, const std::string& toolName);

// Window 4 as a script: records what it was told to show and hands out presses.
class ScriptedUpdateWindow : public UpdateWindowPort {
public:
    bool isOpen = false;
    int opened = 0;
    std::vector<UpdateScreen> shown;  // every screen, in order
    UpdateInput next;                 // handed out by the next takeInput
    bool checkBox = false;

    void open(const UpdateScreen& screen) override {
        isOpen = true;
        ++opened;
        checkBox = false;
        shown.push_back(screen);
    }
    void show(const UpdateScreen& screen) override { shown.push_back(screen); }
    UpdateInput takeInput() override {
        UpdateInput input = next;
        input.checkBoxChecked = checkBox;
        next = UpdateInput{};
        return input;
    }
    void close() override { isOpen = false; }
};

}  // namespace tesselon::testing
