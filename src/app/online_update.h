// The desktop program's entry to the online update check and to the usage-statistics
// request.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tesselon {

struct AppState;
class LanguageTable;
class MainWindow;
class UsageStatistics;

struct OnlineUpdateSetup {
    AppState& state;
    LanguageTable& table;
    MainWindow* mainWindow;  // window 4 stays above it; may be null
    std::string executablePath;
    std::function<void()> saveAndCloseMain;
};

// The update check of a start without parameters, in window 4. True when the program
// must end at once: it replaced itself and started the new build, the user left while
// a newer build was offered, or went to fetch a missing download tool. The exit steps
// that apply have run by then.
bool runUpdateCheck(const OnlineUpdateSetup& setup);

// Sends the usage-statistics request of this start in the background; nothing waits
// for it. Dropping what this returns, at the end, stops a request still under way.
std::unique_ptr<UsageStatistics> startUsageStatistics();

}  // namespace tesselon
