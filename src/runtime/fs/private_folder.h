// A temporary folder of this process's own: made afresh under the temporary folder,
// open to this user only, and removed with everything in it when the object goes. No
// other user can plant a file or a link in it, so the fixed names some operations use
// for their temporaries are safe there.
#pragma once

#include <string>
#include <string_view>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

class PrivateFolder {
public:
    PrivateFolder();
    // The same beneath `parent` (ending with "/"), named `prefix` and six random
    // characters: for work that must end in a rename within that folder's file system.
    PrivateFolder(const std::string& parent, std::string_view prefix);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // False when the folder could not be made.
    bool valid() const { return !path_.empty(); }
    // Ending with "/"; empty when not valid.
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + std::string(name); }

private:
    std::string path_;
};

// Creates a new file for writing that did not exist before, never through a link:
// fails when anything already stands at `path`.
FileDescriptor createNewFile(const std::string& path, unsigned mode = 0666);

}  // namespace tesselon
