// The steps of the update check, in the order it takes them.
#pragma once

#include <optional>
#include <string>

#include "update/update_check/update_session.h"
#include "update/update_check/version_file.h"

namespace tesselon {

// The base URL to ask: the primary host when it answers at all, else the fallback.
// Also removes the old executable a previous update left behind. Nothing when the
// program must end (no download tool, and the user went to fetch one).
std::optional<std::string> chooseBaseUrl(UpdateSession& session);

// The version file's text (only its first line through a tool); empty when it could not
// be fetched. Nothing when the program must end.
std::optional<std::string> fetchVersionText(UpdateSession& session, const std::string& versionUrl);

enum class DownloadOutcome { Done, Failed, Left };

// Fetches every file the version file lists, the new executable first, showing the
// counter and the progress. The executable is kept under a temporary name beside the
// running one (`newExecutable`); every other file replaces its target as soon as it
// has arrived whole. Failed: the user was told, and nothing of the failed file or of
// the new executable remains. Left: the user pressed "Salir" meanwhile.
DownloadOutcome downloadUpdateFiles(UpdateSession& session, const VersionFile& version, std::string& newExecutable);

// Tells the user a file could not be downloaded.
void reportDownloadFailure(UpdateSession& session);

}  // namespace tesselon
