// Walking a remote folder over SFTP into the list of files to fetch, in the order the
// FTP scan gives: within a folder, first the files of its subfolders (each subfolder
// complete, depth first), then its own files; the entries of a folder are taken in the
// reverse of the server's order, as the FTP listing delivers them. Nothing is sorted.
//
// What a server lists is held to bounds: names that would leave their folder are
// refused, folders nested more than `maxDepth` levels below the root are not entered, a
// folder whose canonical path was already scanned is not scanned again, links are
// listed by their own name and never followed, a name whose path would be longer than
// kMaxListedPathBytes is refused, and the walk stops after `maxEntries` listing
// entries, after `maxPathBytes` of path text listed (each entry costs the bytes of its
// full path, and each folder entered those of its canonical path), or at its deadline.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "remote/listed_names.h"
#include "remote/sftp/sftp_connection.h"

namespace tesselon {

inline constexpr int kSftpMaxScanDepth = 64;

struct SftpScanOptions {
    bool recursive = true;
    // Whether a file (or link, or other non-folder entry) of this name is wanted, such
    // as the extension filter; every name when empty.
    std::function<bool(std::string_view name)> accept;
    // Told, on the calling thread, of each accepted file soon after it was found, with
    // the count so far.
    std::function<void(const std::string& name, size_t found)> found;
    // Asked on the calling thread while the listings run: true stops the walk at the
    // listings in hand (stopReason Cancelled).
    std::function<bool()> stopRequested;
    size_t maxEntries = kSftpMaxListingEntries;
    int maxDepth = kSftpMaxScanDepth;
    uint64_t maxPathBytes = kMaxScanPathBytes;
    // When the whole walk must have ended; an operation under way then is cut short.
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

// Which bound ended a walk early.
enum class SftpScanLimit { None, Entries, PathBytes, Deadline };

struct SftpScanFile {
    std::string path;  // absolute: the folder's canonical path, "/", the name
    std::optional<uint64_t> size;
    std::optional<int64_t> modified;
    SftpEntryKind kind = SftpEntryKind::File;  // as listed: a link or a device is no file to fetch
};

// Something the walk passed by: a subfolder it could not read (FolderMissing,
// ListingFailed, TimedOut ...) or did not enter (OverBound: too deep), or a name it
// refused (UnsafeName, with `nameProblem`: PathTooLong for a path over the bound, also
// a subfolder's canonical one).
struct SftpScanProblem {
    std::string folder;  // the folder holding the name, or the folder itself
    std::string name;    // empty when the problem is the folder itself
    SftpFailure failure = SftpFailure::None;
    ListedNameProblem nameProblem = ListedNameProblem::None;
};

struct SftpScanResult {
    // The root folder itself could not be resolved or listed; nothing was found.
    SftpFailure failure = SftpFailure::None;
    std::string root;  // the root's canonical path, once known
    std::vector<SftpScanFile> files;
    std::vector<SftpScanProblem> problems;
    // The walk ended early: a limit was reached (`limit` tells which; `stopReason` is
    // OverBound, or TimedOut at the deadline), or the connection broke (`stopReason`);
    // what was found before stays in `files`.
    bool stopped = false;
    SftpFailure stopReason = SftpFailure::None;
    SftpScanLimit limit = SftpScanLimit::None;
    std::string stoppedIn;  // the folder being listed when it stopped
};

SftpScanResult scanSftpFolder(SftpConnection& connection, const std::string& root, const SftpScanOptions& options);
// The same over several connections at once, each listing the next folder waiting:
// each function runs on a worker of its own and answers its connection (opening it
// there, so that logging in overlaps the first listings), null for none. The files,
// the problems and the bounds are those of one connection.
SftpScanResult scanSftpFolder(std::vector<std::function<SftpConnection*()>> connections, const std::string& root,
                              const SftpScanOptions& options);

}  // namespace tesselon
