// What a scan passed by: folders it could not list, names it would not take.
#pragma once

#include <string>

namespace tesselon {

// A folder the scan passed by without listing its images, or a file it could not list.
struct ScanProblem {
    enum class Kind {
        UnreadableFolder,  // no permission, or an I/O error
        PathTooLong,       // a folder or file whose path is beyond the system's limit
        LinkLeavesSource,  // a link to a folder outside the scanned folder, not followed
        // A remote scan; the path is the remote folder or name as the server gave it.
        RemoteFolderNotEntered,    // the scanned folder itself cannot be entered
        RemoteListingRefused,      // the server would not list the folder
        RemoteListingCut,          // the listing stopped early, or the server did not confirm it
        RemoteListingLineTooLong,  // a listing line longer than the client reads
        RemoteTooDeep,             // a folder nested deeper than the scan goes, not entered
        RemoteEntryLimit,          // the scan stopped at its limit of entries in this folder
        RemoteConnectionLost,      // the session broke here and the scan stopped
        RemoteFolderUnsafe,        // a current folder that cannot be a local one: its entries skipped
        RemoteNameAbsolute,        // names that would leave the download folder, skipped:
        RemoteNameClimbsOut,       //   "/x", "..", "../x",
        RemoteNameSeparator,       //   "a/b", "a\\b",
        RemoteNameControlCharacter, //   control characters
        RemotePathTooLong,         // a name whose path is longer than the scan takes, skipped
        RemotePathTextLimit,       // the scan stopped at its limit of path text listed, here
        RemoteScanDeadline,        // the scan stopped at its deadline, here
    };
    Kind kind = Kind::UnreadableFolder;
    std::string path;  // the folder (ending with "/") or the file
};

}  // namespace tesselon
