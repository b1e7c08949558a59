#include "sources/remote_scan.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/listed_names.h"
#include "sources/extension_filter.h"
#include "sources/ftp_connection_test.h"
#include "sources/sftp_source.h"

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
    RemoteScanOutcome& report;
    RemoteScanLimits limits;
    size_t entriesLeft;
    uint64_t bytesLeft;                       // of path text
    std::unordered_set<std::string> visited;  // current paths scanned so far
    bool deadlineReached = false;

    void problem(Kind kind, std::string path) { report.problems.push_back(ScanProblem{kind, std::move(path)}); }
    void stop(Kind kind, const std::string& where) {
        if (report.stopped) return;
        problem(kind, where);
        report.stopped = true;
    }
    // Whether the scan's time is up, which stops it.
    bool pastDeadline(const std::string& where) {
        if (deadlineReached) return true;
        if (!limits.deadline || std::chrono::steady_clock::now() < *limits.deadline) return false;
        stopAtDeadline(where);
        return true;
    }
    void stopAtDeadline(const std::string& where) {
        stop(Kind::RemoteScanDeadline, where);
        deadlineReached = true;
    }
    // Counts `bytes` of path text against the scan's bound; false (and stopped) when
    // they do not fit.
    bool charge(uint64_t bytes, const std::string& where) {
        if (bytes > bytesLeft) {
            stop(Kind::RemotePathTextLimit, where);
            return false;
        }
        bytesLeft -= bytes;
        return true;
    }
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
    std::vector<int64_t> times;
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

Kind nameProblem(ListedNameProblem problem) {
    switch (problem) {
    case ListedNameProblem::Absolute: return Kind::RemoteNameAbsolute;
    case ListedNameProblem::Separator: return Kind::RemoteNameSeparator;
    case ListedNameProblem::ControlCharacter: return Kind::RemoteNameControlCharacter;
    case ListedNameProblem::PathTooLong: return Kind::RemotePathTooLong;
    default: return Kind::RemoteNameClimbsOut;
    }
}

// Counts and shows an accepted entry, and lets the interface handle one event.
void reportFound(RemoteWalk& walk, const std::string& name) {
    int64_t& found = walk.state.settings.entorno.TotalImagesOrigen;
    ++found;
    RemoteProgress progress;
    progress.found = size_t(found);
    progress.name = name;
    walk.state.frontend->showRemoteProgress(progress);
    walk.state.frontend->pumpOneEvent();
}

// Scans `folder` (the scanned folder itself at depth 0, else a subfolder's name);
// `where` names it in problems. `changedInto` tells whether it entered the folder (and
// so whether the caller must come back up with CDUP).
RemoteFailure scanFolder(RemoteWalk& walk, std::string folder, const std::string& where, int depth,
                         bool& changedInto) {
    folder = withoutTrailingSlash(std::move(folder));
    changedInto = false;
    if (walk.pastDeadline(where)) return RemoteFailure::None;
    changedInto = changeRemotePath(walk.sessions, walk.id, folder);
    if (!changedInto && depth > 0 && walk.sessionLost(where)) return RemoteFailure::ConnectionLost;
    const std::string current = ftpCurrentDir(walk.sessions, walk.id);
    if (!changedInto && current != folder) {
        if (depth == 0) walk.problem(Kind::RemoteFolderNotEntered, folder);
        return RemoteFailure::FolderMissing;
    }
    // A server may answer a folder with one already scanned (a folder that lists
    // itself, a link to a parent): scanning it again would never end.
    if (!current.empty() && !walk.visited.insert(current).second) return RemoteFailure::None;
    // A server that says it is somewhere no local path can be (the names leading there
    // were short enough) is not listed.
    if (current.size() > kMaxListedPathBytes) {
        walk.problem(Kind::RemotePathTooLong, where);
        return RemoteFailure::UnsafeName;
    }
    if (!walk.charge(current.size(), where)) return RemoteFailure::None;

    const FtpListOutcome listed =
        ftpList(walk.sessions, walk.id, FtpListBounds{walk.entriesLeft, walk.bytesLeft, walk.limits.deadline});
    if (listed == FtpListOutcome::PastDeadline) {
        walk.stopAtDeadline(where);
        return RemoteFailure::None;
    }
    if (listed != FtpListOutcome::Complete && listed != FtpListOutcome::TooManyLines &&
        listed != FtpListOutcome::TooMuchText) {
        walk.problem(listingProblem(listed), where);
        if (depth > 0) walk.sessionLost(where);
        return RemoteFailure::ListingFailed;
    }
    if (listed == FtpListOutcome::TooManyLines) walk.stop(Kind::RemoteEntryLimit, where);
    if (listed == FtpListOutcome::TooMuchText) walk.stop(Kind::RemotePathTextLimit, where);
    // Without a trustworthy current folder no entry has a full path that stays below
    // the download folder.
    const bool pathSafe = isSafeListedPath(current);
    bool unsafeFolderNamed = false;
    const std::string prefix = (current == "/" ? "" : current) + "/";

    FolderFiles files;
    std::vector<std::string> subfolders;
    while (ftpNextEntry(walk.sessions, walk.id)) {
        if (walk.entriesLeft > 0) --walk.entriesLeft;
        const std::string name = ftpEntryName(walk.sessions, walk.id);
        if (name == "." || name == "..") continue;
        // Every entry listed costs its path, kept or not: the listing held it.
        if (!walk.charge(listedPathLength(current, name), where)) break;
        if (!pathSafe) {
            if (!std::exchange(unsafeFolderNamed, true))
                walk.problem(Kind::RemoteFolderUnsafe, current.empty() ? where : current);
            ++walk.report.skippedNames;
            continue;
        }
        if (const ListedNameProblem problem = listedNameProblem(current, name); problem != ListedNameProblem::None) {
            ++walk.report.skippedNames;
            walk.problem(nameProblem(problem), prefix + name);
            continue;
        }
        const bool directory = ftpEntryType(walk.sessions, walk.id) == kFtpEntryDirectory;
        if (directory ? !walk.skipFolders : walk.filter.accepts(name)) {
            files.names += name;
            files.names += '\0';
            files.sizes.push_back(ftpEntrySize(walk.sessions, walk.id));
            const int64_t listed = ftpEntryModified(walk.sessions, walk.id);
            files.times.push_back(listed == kNoListedTime ? kUnknownTime : listed);
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
        // A listing cut at the deadline left the session out of step: nothing more is asked.
        if (walk.deadlineReached) break;
        if (entered && !ftpChangeDir(walk.sessions, walk.id, "..")) walk.sessionLost(where);
    }
    // Room for the folder's files at once: a folder of a million files must not leave
    // the list at twice its size while it grows.
    std::vector<SourceImageEntry>& list = walk.list;
    if (list.capacity() < list.size() + files.sizes.size())
        list.reserve(std::max(list.size() + files.sizes.size(), list.capacity() + list.capacity() / 2));
    size_t start = 0;
    for (size_t i = 0; i < files.sizes.size(); ++i) {
        const size_t end = files.names.find('\0', start);
        SourceImageEntry& entry = list.emplace_back();
        entry.path = prefix;
        entry.path.append(files.names, start, end - start);
        entry.size = files.sizes[i];
        entry.modified = files.times[i];
        start = end + 1;
    }
    return RemoteFailure::None;
}

}  // namespace

bool changeRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path) {
    const size_t last = path.find_last_of("/\\");
    if (last == std::string_view::npos) return ftpChangeDir(sessions, id, path);
    return changeRemotePath(sessions, id, stripSlashes(path.substr(0, last))) &&
           ftpChangeDir(sessions, id, path.substr(last + 1));
}

void scanRemoteFolder(AppState& state, FtpID id, std::vector<SourceImageEntry>& list, const std::string& folder,
                      bool skipFolders, const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits) {
    RemoteWalk walk{state,   ftpSessions(state), id,     list, ExtensionFilter(extensionList), skipFolders, recursive,
                    outcome, limits,             limits.maxEntries, limits.maxPathBytes, {}};
    outcome.entryLimit = limits.maxEntries;
    outcome.depthLimit = limits.maxDepth;
    outcome.pathTextLimit = limits.maxPathBytes;
    outcome.pathLengthLimit = kMaxListedPathBytes;
    outcome.folder = withoutTrailingSlash(folder);
    bool changedInto = false;
    outcome.failure = scanFolder(walk, folder, outcome.folder, 0, changedInto);
}

RemoteScanOutcome scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found,
                                   const std::string& extensionList, bool recursive) {
    STRProcesosEntorno& env = state.settings.entorno;
    if (remoteProtocolOf(env.protocolo) == RemoteProtocol::Sftp)
        return scanSftpSource(state, found, extensionList, recursive);
    std::string root = env.RutaOrigenRemoto;
    if (root.empty() || (root.back() != '/' && root.back() != '\\')) root += "/";
    state.frontend->setStatusLine(true, "");

    // The session of an earlier scan is ended first: left open, each rescan would hold
    // one more connection until the server's limit refuses the next.
    ftpClose(ftpSessions(state), env.FtpID);
    ConnectionTestResult opened = testFtpConnection(state, storedFtpConnection(state), FtpTestOptions{true, true, false});
    env.FtpID = opened.handle;
    RemoteScanOutcome outcome;
    outcome.connection = std::move(opened.report.connection);
    outcome.deadlineSeconds = state.remoteScanSeconds;
    RemoteScanLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(state.remoteScanSeconds);
    if (env.FtpID != 0) scanRemoteFolder(state, env.FtpID, found, root, true, extensionList, recursive, outcome, limits);
    return outcome;
}

}  // namespace tesselon
