// Walks the arguments of tesselon-batch one at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tesselon {

class ArgReader {
public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}
    bool done() const { return i_ >= args_.size(); }
    const std::string& current() const { return args_[i_]; }
    void advance() { ++i_; }

    // Accepts "--name VALUE" and "--name=VALUE" for the current argument.
    bool value(const std::string& name, std::optional<std::string>& out, std::string& error) {
        const std::string& a = args_[i_];
        if (a == name) {
            if (i_ + 1 >= args_.size() || args_[i_ + 1].empty()) {
                error = name + " needs a value";
                return true;
            }
            out = args_[++i_];
            return true;
        }
        if (a.rfind(name + "=", 0) == 0) {
            out = a.substr(name.size() + 1);
            if (out->empty()) error = name + " needs a value";
            return true;
        }
        return false;
    }

private:
    const std::vector<std::string>& args_;
    size_t i_ = 0;
};

}  // namespace tesselon
