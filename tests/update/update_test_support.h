// What the update tests share: a program folder with the download tools in it, a front
// end whose waits take real time, a window 4 driven by a script, and a throw-away
// vendor key.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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

// A vendor's key pair made for one test: signs version files the way scripts/sign-update
// does, as base64 of the 64-byte Ed25519 signature on one line.
class TestSigningKey {
public:
    TestSigningKey();
    // Base64 of the raw 32-byte public key.
    const std::string& publicKey() const { return publicText_; }
    std::string sign(std::string_view bytes) const;

private:
    std::array<uint8_t, 32> private_{};
    std::array<uint8_t, 32> public_{};
    std::string publicText_;
};

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
