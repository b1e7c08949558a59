// The FTP branch of the image scan.
#pragma once

#include <string>
#include <vector>

#include "core/image_list.h"

namespace tesselon {

struct AppState;

// NOT BUILT YET: walking an FTP folder needs the FTP client, which does not exist yet.
// Until it does this adds nothing, so scanning an FTP source gives an empty list.
// When built it appends the full remote path and size of every image found under
// RutaOrigenRemoto (with the lower-cased `extensionList`, "|"-separated).
void scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found, const std::string& extensionList,
                      bool recursive);

}  // namespace tesselon
