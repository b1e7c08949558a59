// An update's files on their way in. They are downloaded and checked in a folder of
// the update's own inside the program folder (so that moving them in is a rename on
// one file system), and moved into place only once all of them are there and checked:
// the other files first, the executable last. Whatever fails, the program folder is
// left as it was.
#pragma once

#include <string>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/private_folder.h"
#include "update/update_check/version_file.h"

namespace tesselon {

class StagedUpdate {
public:
    // Makes the folder in `programFolder` (ending with "/"); valid() tells whether that
    // worked. The folder goes with the object, with whatever is still in it.
    explicit StagedUpdate(std::string programFolder);

    bool valid() const { return folder_.valid() && lock_.valid(); }
    const std::string& folderPath() const { return folder_.path(); }
    // Where the file of version line `index` (from 0) is downloaded to.
    std::string downloadPath(size_t index) const;

    // Moves the files of `version` into place: each line's file but the first to the
    // folder and name its line gives, keeping the permissions of the file it replaces,
    // then the first line's file in place of `executablePath`, with the old one's
    // execute bits and the old one kept as `keptOldPath`. Every file must have been
    // downloaded to its downloadPath. False when any move failed; everything already
    // moved is then put back.
    bool install(const VersionFile& version, const std::string& executablePath, const std::string& keptOldPath);

private:
    std::string programFolder_;
    PrivateFolder folder_;
    // Held while the update runs, so that a later start tells a live folder from one a
    // killed update left.
    FileDescriptor lock_;
};

// The folder a line's file goes to, opened beneath the program folder one component at
// a time without following links; invalid when it is not there as a real folder.
FileDescriptor openLineFolder(const std::string& programFolder, const UpdateFileLine& line);

// Removes what an update that was killed midway left in the program folder.
void removeAbandonedStaging(const std::string& programFolder);

}  // namespace tesselon
