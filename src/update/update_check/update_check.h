// The online update check of a start without parameters: asks the vendor's host for
// the newest build, shows both stamps in window 4 and, when the host's build is newer
// and its version file carries the vendor's signature, downloads the files it lists,
// swaps the running executable for the new one and starts it again with "-update".
#pragma once

#include <functional>
#include <string>

#include "runtime/http/http_transfer.h"
#include "update/update_check/update_window_port.h"
#include "update/vendor_hosts.h"

namespace tesselon {

struct AppState;

struct UpdateCheck {
    AppState& state;  // settings, program folder, downloader choice and front end
    UpdateWindowPort& window;
    VendorHosts hosts;
    std::string executablePath;  // the program that is replaced and restarted
    // The program's first exit step: saves the settings when locked, closes window 1.
    std::function<void()> saveAndCloseMain;
    HttpLimits limits;
    // Base64 of the vendor's raw Ed25519 public key; without one nothing is installed.
    std::string publicKey;
};

enum class UpdateOutcome {
    Continue,    // back to the start-up with the main window enabled
    EndProgram,  // the exit steps have run (or must not): end the process now
};

// Transfers run on workers while the windows stay alive; "Salir", or a termination
// request raising the cancel flag, ends a transfer at once. Nothing is installed unless
// the version file's signature is the key's and every file matches the SHA-256 its
// line gives, whatever the transport; only a 2xx answer counts as a downloaded file.
// The files are moved into place only once all of them have arrived and matched, so
// a failure at any point leaves the program folder as it was.
UpdateOutcome runUpdateCheck(UpdateCheck& check);

}  // namespace tesselon
