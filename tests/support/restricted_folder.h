// A test folder where writes fail, prepared in whichever way this machine allows: a
// tiny tmpfs (mounted when the test may mount), a file-size limit, or permissions.
#pragma once

#include <string>
#include <sys/resource.h>

namespace tesselon::testing {

class RestrictedFolder {
public:
    enum class Kind { Full, ReadOnly };

    // Creates `folder` (it must not exist yet); fixtures may be written into it until
    // engage() makes the restriction effective.
    RestrictedFolder(std::string folder, Kind kind);
    ~RestrictedFolder();
    RestrictedFolder(const RestrictedFolder&) = delete;
    RestrictedFolder& operator=(const RestrictedFolder&) = delete;

    // False when this machine offers no way to make writes fail here (skip the test).
    bool engage();
    const std::string& path() const { return folder_; }

private:
    std::string folder_;
    Kind kind_;
    bool mounted_ = false;
    bool limited_ = false;
    rlimit savedLimit_{};
    void (*savedHandler_)(int) = nullptr;
};

}  // namespace tesselon::testing
