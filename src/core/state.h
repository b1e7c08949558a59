// The program's whole mutable state. The front end owns one instance and passes it
// down; nothing else in the engine keeps mutable state between calls, so tests can run
// several instances side by side.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/imaging/codec_registry.h"
#include "runtime/text/packed_strings.h"
#include "core/cancel_token.h"
#include "core/records.h"
#include "core/image_list.h"
#include "core/preview_cache.h"
#include "core/program_start.h"
#include "core/remote_endpoint.h"

namespace tesselon {

class Frontend;
class FtpSessionTable;

struct AppState {
    Settings settings;

    std::string ProgramFolder;       // folder of the program's own files, ending with "/"
    // The executable's folder is not writable (an installed program): ProgramFolder is
    // then the per-user folder, and the program must not try to replace itself.
    bool ExecutableFolderReadOnly = false;
    std::string SettingsFilePath;    // current settings file
    int8_t UseExternalDownloader = 0;
    std::string DefaultWatermarkText;
    double DpiScaleX = 1.0;
    double DpiScaleY = 1.0;
    int fontDpi = 96;                // vertical dots per inch used to size fonts

    ::tesselon::SourceImageList SourceImageList;  // qualified: the member reuses the type's name
    PackedStrings PhrasesList;       // a phrases file may hold millions of (empty) lines

    CodecRegistry codecs;            // filled by the start-up steps (registerProgramDecoders)
    PreviewCache preview;            // the preview's decoded image and buffers between refreshes

    Frontend* frontend = nullptr;    // never null while the engine runs
    // CANCELAR of the window's batch: raised by the front end, handed to the run. Held
    // apart so that the state can still be moved.
    std::shared_ptr<CancelToken> cancel = std::make_shared<CancelToken>();

    // The authorities FTPS servers are checked against when the user named a file of
    // them (tesselon-batch --ca-file); empty: TESSELON_CA_FILE's, else the system's.
    std::string tlsCaFile;
    // An FTPS certificate named for this run alone (tesselon-batch --pin-sha256), trusted
    // whatever its chain says but never stored: SHA-256, lower-case hex.
    std::string tlsPinnedCertificate;
    // An SFTP host key named for this run alone (tesselon-batch --host-key), trusted when
    // no known-hosts file knows the host but never stored: "SHA256:" and base64.
    std::string sftpTrustedHostKey;

    // How long the walk of a remote scan's folders may take in all, from its first
    // listing; it then stops with what it found (tesselon-batch --scan-timeout).
    int remoteScanSeconds = kDefaultRemoteScanSeconds;
    // Connections a remote scan and its download use at once (tesselon-batch --connections).
    int remoteConnections = kDefaultRemoteConnections;

    // A watch polls the same server again and again: its connections stay open between
    // polls (RemoteContext::keepConnections). Only the watch sets it.
    bool keepRemoteConnections = false;

    // The open FTP sessions by FtpID; made by the networking start (remote/ftp_sessions.h).
    std::shared_ptr<FtpSessionTable> ftpSessions;

    // The program folder and defaults a start decided.
    void adopt(ProgramStart start) {
        ProgramFolder = std::move(start.programFolder);
        ExecutableFolderReadOnly = start.executableFolderReadOnly;
        SettingsFilePath = std::move(start.settingsFilePath);
        UseExternalDownloader = start.useExternalDownloader;
        DefaultWatermarkText = std::move(start.defaultWatermarkText);
    }
};

}  // namespace tesselon
