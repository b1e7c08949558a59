// The steps of the update check, in the order it takes them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "update/update_check/staged_update.h"
#include "update/update_check/update_session.h"
#include "update/update_check/version_file.h"

namespace tesselon {

// The base URL to ask: the primary host when it answers at all, else the fallback.
// Also removes the old executable a previous update left behind, and what an update
// that was killed midway left. Nothing when the program must end (no download tool,
// and the user went to fetch one).
std::optional<std::string> chooseBaseUrl(UpdateSession& session);

// The version file's exact bytes, at most 64 KiB; empty when it could not be fetched.
// Nothing when the program must end.
std::optional<std::string> fetchVersionText(UpdateSession& session, const std::string& versionUrl);

// The signature served beside the version file, at most 1 KiB; empty when there is
// none. Nothing when the program must end.
inline constexpr const char* kSignatureSuffix = ".sig";
std::optional<std::string> fetchVersionSignature(UpdateSession& session, const std::string& versionUrl);

enum class DownloadOutcome { Done, Failed, Left };

// Fetches every file the version file lists, the new executable first, showing the
// counter and the progress, into `staged`; each must match the SHA-256 of its line.
// Nothing in the program folder changes. Failed: the user was told, and nothing of
// the download remains. Left: the user pressed "Salir" meanwhile.
DownloadOutcome downloadUpdateFiles(UpdateSession& session, const VersionFile& version,
                                    std::unique_ptr<StagedUpdate>& staged);

// Tells the user a file could not be downloaded.
void reportDownloadFailure(UpdateSession& session);

}  // namespace tesselon
