// Where on the server a result of the run is published: beneath the publish folder, at
// its source's path relative to the folder that was scanned (a remote folder, or the
// local source folder), under the result's own file name. Every name sent is checked
// first, so that no server answer nor odd source name can lead an upload elsewhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

enum class PublishNameProblem {
    None,
    Empty,          // no publish folder, or an empty file name
    DotComponent,   // "." or ".." as a name on the way
    SlashInName,    // a "/" inside the result's file name
    ControlByte,    // NUL, CR or LF: a name no command line can carry
    NotBeneath,     // the source does not lie beneath the scanned folder
    TooLong,        // past the bound of one remote path
};

// Longest remote path sent, in bytes (a command line must hold it with its verb).
inline constexpr size_t kMaxPublishPathBytes = 1000;

// Why one name (a folder's or a file's, without "/") cannot be sent.
PublishNameProblem publishNameProblem(std::string_view name);

// Whether `folder` can be a publish folder: not empty, and no name in it that
// publishNameProblem refuses.
bool publishFolderUsable(std::string_view folder);

struct PublishPath {
    PublishNameProblem problem = PublishNameProblem::None;
    std::string remotePath;  // the publish folder, the relative folders and the name, "/"-joined
    std::string folder;      // remotePath's folder, without a trailing "/"
};

// The remote path of the result named `resultName` of the source at `sourcePath`,
// which lies beneath `scannedFolder` (both local paths or both remote ones).
// `publishFolder` keeps its own form: absolute ("/public_html/out") or relative to the
// login folder ("out"); a trailing "/" is dropped.
PublishPath publishPathOf(std::string_view publishFolder, std::string_view scannedFolder, std::string_view sourcePath,
                          std::string_view resultName);

// The folders of `folder` (a PublishPath::folder) from its top down: "/a/b" gives "/a",
// "/a/b"; "a/b" gives "a", "a/b".
std::vector<std::string> foldersDownTo(std::string_view folder);

}  // namespace tesselon
