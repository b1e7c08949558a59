#include "sources/remote_scan.h"

namespace tesselon {

void scanRemoteSource(AppState&, std::vector<SourceImageEntry>&, const std::string&, bool) {
    // Deliberately empty until the FTP client is written; see the header.
}

}  // namespace tesselon
