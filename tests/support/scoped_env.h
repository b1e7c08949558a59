// Sets an environment variable for one scope and restores it.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace tesselon::testing {

class ScopedEnv {
public:
    // A null value unsets the variable.
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

}  // namespace tesselon::testing
