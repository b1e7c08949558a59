// tesselon-batch --watch: after a first pass over the whole source, a local source is
// followed through inotify and each new or changed image is converted once its writer
// closed it and it held still for the settle time; a remote source is polled every
// interval. Every pass is the one-shot run's batch (the host's), on the files taken.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/image_list.h"

namespace tesselon {

// What the watch needs of the job, as the settings say now.
struct WatchTarget {
    bool remote = false;
    std::string source;       // local: the folder, ending with "/"; remote: as the user names it
    std::string destination;  // the results' folder, ending with "/"
    std::string extensions;   // the settings' extension list
    bool recursive = true;
    bool operator==(const WatchTarget&) const = default;
};

struct WatchOptions {
    int settleMs = 500;
    int intervalSeconds = 60;
    bool json = false;
    bool mirrorDeletes = false;
};

// How one source left a pass.
struct PassItem {
    enum class End { Converted, Unchanged, Failed, NotReached };
    std::string source;
    std::string result;  // the result's path, where the batch planned one
    End end = End::NotReached;
    std::string reason;  // Failed: why, in English
    bool published = false;  // its result is on the server (--publish)
};

struct PassReport {
    int code = 0;               // the one-shot run's exit code
    bool sourceMissing = false; // a local source folder that is not there
    bool noConnection = false;  // a remote source that could not be reached or listed
    size_t listed = 0;
    std::vector<PassItem> items;
};

struct PassRequest {
    // Null: the source as the one-shot run gathers it (a scan, or a remote listing and
    // download); otherwise these files of the local source.
    const std::vector<SourceImageEntry>* entries = nullptr;
    // With entries: the other files of the source (their paths) whose results the watch
    // knows of; what the manifest holds of any other file is of a source gone since.
    std::vector<std::string> otherSources;
    // Called between images, and between the steps of a remote scan and download; true
    // asks the pass to stop (the images in hand finish, the transfers in hand are dropped).
    std::function<bool()> service;
    // Called on the pass's thread as each image's end is known, long before the pass ends;
    // the report's items hold every end again.
    std::function<void(const PassItem&)> itemEnded;
};

class WatchHost {
public:
    virtual ~WatchHost() = default;
    virtual WatchTarget target() const = 0;
    virtual PassReport runPass(const PassRequest& request) = 0;
    // Reads the settings file again; false when it cannot be read (the settings before stay).
    virtual bool reload() = 0;
};

// Runs until SIGTERM or SIGINT; the exit code (0 then, 1 when the watch cannot start).
int runWatch(WatchHost& host, const WatchOptions& options, std::FILE* out, std::FILE* err);

}  // namespace tesselon
