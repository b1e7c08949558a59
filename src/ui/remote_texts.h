// The desktop's words for the remote source: every box, status line and progress text
// of a connection test, a scan and a download, composed from the engine's values.
#pragma once

#include <string>

#include "core/remote_outcomes.h"
#include "ui/message_box_text.h"

namespace tesselon {

inline constexpr const char* kDownloadChooserTitle = "Elige la carpeta donde se descargarán las imágenes";
inline constexpr const char* kUploadCancelledText = "Subida de imagenes de prueba suspendida por el usuario";

// The box of a connection test: success (with the folder's verdict) or why it failed.
MessageBoxText connectionTestBox(const ConnectionTestReport& report);

// The status line a scan leaves: why the connection failed, why the folder could not
// be scanned, or what it passed by; empty when there is nothing to say.
std::string remoteScanStatusLine(const RemoteScanOutcome& outcome);

// The question whether to trust a certificate or host key from now on (Yes/No).
MessageBoxText trustQuestion(const ServerIdentity& identity);

// The question whether to retry, skip or cancel a failed file.
MessageBoxText retryQuestion(const FailedRemoteFile& file);

// The box at the end of a download over `protocol`; its buttons are Yes/No when it
// offers to open the download folder. Nothing (an empty title) for a local source.
MessageBoxText downloadEndBox(const RemoteDownloadOutcome& outcome, RemoteProtocol protocol);

// `text` naming `protocol` where it names FTP, FTPS or SFTP as a word ("Remoto (FTP)"
// becomes "Remoto (SFTP)"); the texts were written when FTP was the only protocol.
std::string namingProtocol(const std::string& text, RemoteProtocol protocol);

// The progress window's text for a scan, a download's file or a test upload's file.
std::string remoteProgressText(const RemoteProgress& progress);

// A fingerprint as it is read aloud: lower-case hex as upper-case pairs with ":".
std::string readableFingerprint(const std::string& fingerprint);

}  // namespace tesselon
