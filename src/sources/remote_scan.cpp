#include "sources/remote_scan.h"

#include "core/frontend.h"
#include "core/state.h"
#include "sources/extension_filter.h"
#include "sources/folder_scan.h"
#include "sources/ftp_connection_test.h"
#include "sources/remote_names.h"

namespace tesselon {

namespace {

struct RemoteWalk {
    AppState& state;
    FtpSessionTable& sessions;
    FtpID id;
    std::vector<SourceImageEntry>& list;
    ExtensionFilter filter;
    bool skipFolders;
    bool recursive;
    int& skipped;
};

std::string withoutTrailingSlash(std::string path) {
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string stripSlashes(std::string_view path) {
    while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

// Counts and shows an accepted entry, and lets the interface handle one event.
void reportFound(RemoteWalk& walk, const std::string& name) {
    int64_t& found = walk.state.settings.entorno.TotalImagesOrigen;
    ++found;
    walk.state.frontend->setProgressText(scanProgressText(found, displayName(name)));
    walk.state.frontend->pumpOneEvent();
}

// Scans `folder`; `changedInto` tells whether it entered the folder (and so whether
// the caller must come back up with CDUP).
std::string scanFolder(RemoteWalk& walk, std::string folder, bool& changedInto) {
    changedInto = false;
    folder = withoutTrailingSlash(std::move(folder));
    if (changeRemotePath(walk.sessions, walk.id, folder)) {
        changedInto = true;
    } else if (ftpCurrentDir(walk.sessions, walk.id) != folder) {
        return "ERROR: Imposible cambiar al directorio: " + folder;
    }
    if (ftpList(walk.sessions, walk.id) != FtpListOutcome::Complete)
        return "ERROR: Fallo en el listado del directorio: " + folder;
    const std::string current = ftpCurrentDir(walk.sessions, walk.id);
    // Without a trustworthy current folder no entry has a full path that stays below
    // the download folder.
    const bool pathSafe = !current.empty() && isSafeRemotePath(current);

    std::vector<SourceImageEntry> files;
    std::vector<std::string> subfolders;
    while (ftpNextEntry(walk.sessions, walk.id)) {
        const std::string name = ftpEntryName(walk.sessions, walk.id);
        if (name == "." || name == "..") continue;
        if (!pathSafe || !isSafeRemoteName(name)) {
            ++walk.skipped;
            continue;
        }
        const bool directory = ftpEntryType(walk.sessions, walk.id) == kFtpEntryDirectory;
        if (directory ? !walk.skipFolders : walk.filter.accepts(name)) {
            SourceImageEntry& entry = files.emplace_back();
            entry.path = (current == "/" ? "" : current) + "/" + name;
            entry.size = ftpEntrySize(walk.sessions, walk.id);
            reportFound(walk, name);
        }
        if (directory) subfolders.push_back(name);
    }
    for (const std::string& name : subfolders) {
        if (!walk.recursive) break;
        bool entered = false;
        scanFolder(walk, name, entered);
        if (entered) ftpChangeDir(walk.sessions, walk.id, "..");
    }
    for (SourceImageEntry& entry : files) walk.list.push_back(std::move(entry));
    return {};
}

}  // namespace

bool changeRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path) {
    const size_t last = path.find_last_of("/\\");
    if (last == std::string_view::npos) return ftpChangeDir(sessions, id, path);
    return changeRemotePath(sessions, id, stripSlashes(path.substr(0, last))) &&
           ftpChangeDir(sessions, id, path.substr(last + 1));
}

std::string scanRemoteFolder(AppState& state, FtpID id, std::vector<SourceImageEntry>& list,
                             const std::string& folder, bool skipFolders, const std::string& extensionList,
                             bool recursive, int& skipped) {
    RemoteWalk walk{state, ftpSessions(state), id, list, ExtensionFilter(extensionList), skipFolders, recursive,
                    skipped};
    bool changedInto = false;
    return scanFolder(walk, folder, changedInto);
}

void scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found, const std::string& extensionList,
                      bool recursive) {
    STRProcesosEntorno& env = state.settings.entorno;
    Frontend& ui = *state.frontend;
    std::string root = env.RutaOrigenRemoto;
    if (root.empty() || (root.back() != '/' && root.back() != '\\')) root += "/";
    ui.setStatusLine(true, "");

    // The session of an earlier scan is ended first: left open, each rescan would hold
    // one more connection until the server's limit refuses the next.
    ftpClose(ftpSessions(state), env.FtpID);
    const std::string result = testFtpConnection(state, storedFtpConnection(state), FtpTestOptions{true, true, false});
    env.FtpID = testResultHandle(result);
    if (env.FtpID == 0) {
        const std::string message = testResultMessage(result);
        if (!message.empty()) ui.setStatusLine(false, message);
        return;
    }
    int skipped = 0;
    const std::string error = scanRemoteFolder(state, env.FtpID, found, root, true, extensionList, recursive, skipped);
    if (!error.empty()) {
        ui.setStatusLine(false, error);
    } else if (skipped > 0) {
        ui.setStatusLine(false, "Se omitieron " + std::to_string(skipped) +
                                    " nombres del servidor que no pueden ser un archivo local");
    }
}

}  // namespace tesselon
