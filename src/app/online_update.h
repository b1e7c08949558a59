// The desktop program's entry to the online update check and to the usage-statistics
// request.
#pragma once

#include <functional>
#include <string>

namespace tesselon {

struct AppState;
class LanguageTable;
class MainWindow;

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

// Sends the usage-statistics request of this start from a thread of its own, which
// nothing waits for: neither the start nor the end of the program.
void startUsageStatistics();

}  // namespace tesselon
