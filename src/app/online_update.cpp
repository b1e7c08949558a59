#include "app/online_update.h"

#include "core/state.h"
#include "ui/main_window.h"
#include "ui/update_window/update_window.h"
#include "update/statistics_request.h"
#include "update/update_check/update_check.h"

namespace tesselon {

bool runUpdateCheck(const OnlineUpdateSetup& setup) {
    UpdateWindow window(setup.table, setup.mainWindow);
    UpdateCheck check{setup.state,          window, vendorHosts(), setup.executablePath,
                      setup.saveAndCloseMain, {},     updatePublicKey()};
    return tesselon::runUpdateCheck(check) == UpdateOutcome::EndProgram;
}

std::unique_ptr<UsageStatistics> startUsageStatistics() {
    // Without a worker thread there is no request; the program does not depend on it.
    return std::make_unique<UsageStatistics>(vendorHosts());
}

}  // namespace tesselon
