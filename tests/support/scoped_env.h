// Sets an environment variable for one scope and restores it.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace tesselon::testing {

class ScopedEnv {
public:
    // A null value unsets the variable.
    ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        value ? ::setenv(name_.c_str(), value, 1) : ::unsetenv(name_.c_str());
    }
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name), value.c_str()) {}
    ~ScopedEnv() { saved_ ? ::setenv(name_.c_str(), saved_->c_str(), 1) : ::unsetenv(name_.c_str()); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace tesselon::testing
