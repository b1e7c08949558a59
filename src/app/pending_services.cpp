#include "app/pending_services.h"

namespace tesselon {

void startNetworking(AppState&) {}

std::function<bool()> ftpConnectionWindow(AppState&) { return {}; }

std::function<void()> remoteImagesDownload(AppState&) { return {}; }

}  // namespace tesselon
