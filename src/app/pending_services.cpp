#include "app/pending_services.h"

namespace tesselon {

void startUsageStatistics(AppState&) {}

bool runUpdateCheck(AppState&) { return false; }

}  // namespace tesselon
