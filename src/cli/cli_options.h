// Command-line options of tesselon-batch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/operation_options.h"
#include "cli/remote_options.h"
#include "cli/watch/watch_loop.h"
#include "processing/batch/shard_share.h"

namespace tesselon {

struct CliOptions {
    bool help = false;
    bool version = false;
    std::optional<std::string> configFile;      // --config FILE
    std::optional<std::string> saveConfigFile;  // --save-config FILE
    std::optional<std::string> source;          // --source DIR
    std::optional<std::string> dest;            // --dest DIR
    std::optional<std::string> format;          // original or a format's settings value (image_formats.h)
    std::optional<std::string> extensions;      // --extensions LIST, as ExtensionesActivas holds it
    std::optional<int> quality;                 // 10..100
    std::optional<bool> subfolders;             // --subfolders / --no-subfolders
    bool overwrite = false;                     // --overwrite
    bool yes = false;                           // --yes: answer Yes to the overwrite question
    std::optional<int> jobs;                    // --jobs N, 1..256
    std::optional<std::string> report;          // --report FILE
    std::optional<uint64_t> memoryLimit;        // --memory-limit SIZE, in bytes
    bool quiet = false;
    bool autoOrient = false;                    // --auto-orient: JPEG sources turned upright by EXIF
    bool keepMetadata = false;                  // --keep-metadata: EXIF and ICC profile kept
    RemoteCliOptions remote;                    // an FTP source
    bool skipUnchanged = false;                 // --skip-unchanged: convert only what changed
    std::optional<Shard> shard;                 // --shard K/N: only this share of the list
    bool mergeReports = false;                  // --merge-reports FILE...: join shards' reports
    std::vector<std::string> reportFiles;       // the files --merge-reports joins
    OperationOptions operations;                // --grey, --rotate, --text ...
    bool watch = false;                         // --watch: convert what arrives, until a signal
    WatchOptions watchOptions;                  // --settle, --interval, --log-format, --mirror-deletes

    // Whether the run converts images: any conversion option, or a settings file or an
    // operation given without --save-config (they then describe the whole job).
    bool convert() const {
        return source || dest || format || extensions || quality || subfolders || overwrite || jobs || report ||
               memoryLimit || autoOrient || keepMetadata || skipUnchanged || shard || remote.any() || watch ||
               ((configFile || operations.any()) && !saveConfigFile);
    }
};

struct CliParseResult {
    std::optional<CliOptions> options;  // empty on a usage error
    std::string error;                  // one line, for stderr
};

CliParseResult parseCliOptions(const std::vector<std::string>& args);

// A list such as "jpg,png,webp" (commas or "|" between names, any letter case) as the
// settings' extension list: every format named by one of its extensions contributes all
// of them, upper-cased, in the order of the table ("JPG|JPEG|PNG|WEBP"). Nothing when a
// name is no extension of a format the program reads, or the list names none.
std::optional<std::string> extensionListFromNames(const std::string& names);

// A size such as "512M", "2G", "1.5GiB" or "1048576" (bytes) in bytes; K, M, G and T
// count in 1024s. Nothing for anything else.
std::optional<uint64_t> parseByteSize(const std::string& text);

struct ProgramFolderChoice;

// The text printed by --help; it names the folder of the program's own files.
std::string cliUsage(const ProgramFolderChoice& folder);

}  // namespace tesselon
