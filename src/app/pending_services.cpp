#include "app/pending_services.h"

namespace tesselon {

void startNetworking(AppState&) {}

void startUsageStatistics(AppState&) {}

bool runUpdateCheck(AppState&) { return false; }

std::function<bool()> ftpConnectionWindow(AppState&) { return {}; }

std::function<void()> remoteImagesDownload(AppState&) { return {}; }

}  // namespace tesselon
