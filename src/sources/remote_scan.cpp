#include "sources/remote_scan.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "core/frontend.h"
#include "core/state.h"
#include "sources/extension_filter.h"
#include "sources/ftp_connection_test.h"
#include "sources/remote_names.h"

namespace tesselon {

namespace {

using Kind = ScanProblem::Kind;

struct RemoteWalk {
    AppState& state;
    FtpSessionTable& sessions;
    FtpID id;
    std::vector<SourceImageEntry>& list;
    ExtensionFilter filter;
    bool skipFolders;
    bool recursive;
    RemoteScanReport& report;
    RemoteScanLimits limits;
    size_t entriesLeft;
    std::unordered_set<std::string> visited;  // current paths scanned so far

    void problem(Kind kind, std::string path) { report.problems.push_back(ScanProblem{kind, std::move(path)}); }
    // A session that lost step with the server answers nothing more: the scan ends
    // rather than take every later folder for one that cannot be entered.
    bool sessionLost(const std::string& where) {
        if (ftpCheck(sessions, id)) return false;
        problem(Kind::RemoteConnectionLost, where);
        report.stopped = true;
        return true;
    }
};

// The accepted files of one folder until its subfolders are done: names one after
// another, so a folder of a million files costs little more than their names.
struct FolderFiles {
    std::string names;  // each followed by a NUL, which no accepted name holds
    std::vector<int64_t> sizes;
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

Kind listingProblem(FtpListOutcome outcome) {
    switch (outcome) {
    case FtpListOutcome::LineTooLong: return Kind::RemoteListingLineTooLong;
    case FtpListOutcome::Cut: return Kind::RemoteListingCut;
    default: return Kind::RemoteListingRefused;
    }
}

// Problems the status line counts among the skipped names rather than names itself.
bool skipsNames(Kind kind) {
    switch (kind) {
    case Kind::RemoteFolderUnsafe:
    case Kind::RemoteNameAbsolute:
    case Kind::RemoteNameClimbsOut:
    case Kind::RemoteNameSeparator:
    case Kind::RemoteNameControlCharacter: return true;
    default: return false;
    }
}

Kind nameProblem(RemoteNameProblem problem) {
    switch (problem) {
    case RemoteNameProblem::Absolute: return Kind::RemoteNameAbsolute;
    case RemoteNameProblem::Separator: return Kind::RemoteNameSeparator;
    case RemoteNameProblem::ControlCharacter: return Kind::RemoteNameControlCharacter;
    default: return Kind::RemoteNameClimbsOut;
    }
}

// Counts and shows an accepted entry, and lets the interface handle one event.
void reportFound(RemoteWalk& walk, const std::string& name) {
    int64_t& found = walk.state.settings.entorno.TotalImagesOrigen;
    ++found;
    walk.state.frontend->setProgressText(scanProgressText(found, displayName(name)));
    walk.state.frontend->pumpOneEvent();
}

// Scans `folder` (the scanned folder itself at depth 0, else a subfolder's name);
// `where` names it in problems. `changedInto` tells whether it entered the folder (and
// so whether the caller must come back up with CDUP).
std::string scanFolder(RemoteWalk& walk, std::string folder, const std::string& where, int depth,
                       bool& changedInto) {
    folder = withoutTrailingSlash(std::move(folder));
    changedInto = changeRemotePath(walk.sessions, walk.id, folder);
    if (!changedInto && depth > 0 && walk.sessionLost(where)) return {};
    const std::string current = ftpCurrentDir(walk.sessions, walk.id);
    if (!changedInto && current != folder) {
        if (depth == 0) walk.problem(Kind::RemoteFolderNotEntered, folder);
        return "ERROR: Imposible cambiar al directorio: " + folder;
    }
    // A server may answer a folder with one already scanned (a folder that lists
    // itself, a link to a parent): scanning it again would never end.
    if (!current.empty() && !walk.visited.insert(current).second) return {};

    const FtpListOutcome listed = ftpList(walk.sessions, walk.id, walk.entriesLeft);
    if (listed != FtpListOutcome::Complete && listed != FtpListOutcome::TooManyLines) {
        walk.problem(listingProblem(listed), where);
        if (depth > 0) walk.sessionLost(where);
        return "ERROR: Fallo en el listado del directorio: " + folder;
    }
    if (listed == FtpListOutcome::TooManyLines) {
        walk.problem(Kind::RemoteEntryLimit, where);
        walk.report.stopped = true;
    }
    // Without a trustworthy current folder no entry has a full path that stays below
    // the download folder.
    const bool pathSafe = !current.empty() && isSafeRemotePath(current);
    bool unsafeFolderNamed = false;
    const std::string prefix = (current == "/" ? "" : current) + "/";

    FolderFiles files;
    std::vector<std::string> subfolders;
    while (ftpNextEntry(walk.sessions, walk.id)) {
        if (walk.entriesLeft > 0) --walk.entriesLeft;
        const std::string name = ftpEntryName(walk.sessions, walk.id);
        if (name == "." || name == "..") continue;
        if (!pathSafe) {
            if (!std::exchange(unsafeFolderNamed, true))
                walk.problem(Kind::RemoteFolderUnsafe, current.empty() ? where : current);
            ++walk.report.skippedNames;
            continue;
        }
        if (const RemoteNameProblem problem = remoteNameProblem(name); problem != RemoteNameProblem::None) {
            ++walk.report.skippedNames;
            walk.problem(nameProblem(problem), prefix + name);
            continue;
        }
        const bool directory = ftpEntryType(walk.sessions, walk.id) == kFtpEntryDirectory;
        if (directory ? !walk.skipFolders : walk.filter.accepts(name)) {
            files.names += name;
            files.names += '\0';
            files.sizes.push_back(ftpEntrySize(walk.sessions, walk.id));
            reportFound(walk, name);
        }
        if (directory) subfolders.push_back(name);
    }
    for (const std::string& name : subfolders) {
        if (!walk.recursive || walk.report.stopped) break;
        if (depth >= walk.limits.maxDepth) {
            walk.problem(Kind::RemoteTooDeep, prefix + name);
            continue;
        }
        bool entered = false;
        scanFolder(walk, name, prefix + name, depth + 1, entered);
        if (entered && !ftpChangeDir(walk.sessions, walk.id, "..")) walk.sessionLost(where);
    }
    // Room for the folder's files at once: a folder of a million files must not leave
    // the list at twice its size while it grows.
    std::vector<SourceImageEntry>& list = walk.list;
    if (list.capacity() < list.size() + files.sizes.size())
        list.reserve(std::max(list.size() + files.sizes.size(), list.capacity() + list.capacity() / 2));
    size_t start = 0;
    for (const int64_t size : files.sizes) {
        const size_t end = files.names.find('\0', start);
        SourceImageEntry& entry = list.emplace_back();
        entry.path = prefix;
        entry.path.append(files.names, start, end - start);
        entry.size = size;
        start = end + 1;
    }
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
                             bool recursive, RemoteScanReport& report, const RemoteScanLimits& limits) {
    RemoteWalk walk{state,     ftpSessions(state), id,     list, ExtensionFilter(extensionList), skipFolders,
                    recursive, report,             limits, limits.maxEntries, {}};
    report.entryLimit = limits.maxEntries;
    bool changedInto = false;
    return scanFolder(walk, folder, withoutTrailingSlash(folder), 0, changedInto);
}

std::string remoteScanNotice(const RemoteScanReport& report) {
    const ScanProblem* first = nullptr;
    for (const ScanProblem& p : report.problems) {
        if (p.kind == Kind::RemoteEntryLimit)
            return "ERROR: Recorrido de imagenes detenido al llegar a " + std::to_string(report.entryLimit) +
                   " entradas en: " + displayName(p.path);
        if (!first && !skipsNames(p.kind)) first = &p;
    }
    if (first) {
        switch (first->kind) {
        case Kind::RemoteConnectionLost:
            return "ERROR: Se perdió la conexión con el servidor en: " + displayName(first->path);
        case Kind::RemoteTooDeep:
            return "ERROR: Directorio anidado a más de " + std::to_string(kMaxRemoteScanDepth) +
                   " niveles: " + displayName(first->path);
        default:
            return "ERROR: Fallo en el listado del directorio: " + displayName(first->path);
        }
    }
    if (report.skippedNames > 0)
        return "Se omitieron " + std::to_string(report.skippedNames) +
               " nombres del servidor que no pueden ser un archivo local";
    return {};
}

void scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found, const std::string& extensionList,
                      bool recursive, std::vector<ScanProblem>* problems) {
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
    RemoteScanReport report;
    const std::string error = scanRemoteFolder(state, env.FtpID, found, root, true, extensionList, recursive, report);
    const std::string notice = error.empty() ? remoteScanNotice(report) : error;
    if (!notice.empty()) ui.setStatusLine(false, notice);
    if (problems) {
        for (ScanProblem& p : report.problems) problems->push_back(std::move(p));
    }
}

}  // namespace tesselon
