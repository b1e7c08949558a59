#include "app/online_update.h"

#include <system_error>
#include <thread>

#include "core/state.h"
#include "ui/main_window.h"
#include "ui/update_window/update_window.h"
#include "update/statistics_request.h"
#include "update/update_check/update_check.h"

namespace tesselon {

bool runUpdateCheck(const OnlineUpdateSetup& setup) {
    UpdateWindow window(setup.table, setup.mainWindow);
    UpdateCheck check{setup.state, window, vendorHosts(), setup.executablePath, setup.saveAndCloseMain, {}};
    return tesselon::runUpdateCheck(check) == UpdateOutcome::EndProgram;
}

void startUsageStatistics() {
    try {
        std::thread([hosts = vendorHosts()] { sendUsageStatistics(hosts); }).detach();
    } catch (const std::system_error&) {
        // Without a thread there is no request; the program does not depend on it.
    }
}

}  // namespace tesselon
