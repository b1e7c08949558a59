// The start parameters and the four switches that preset folders, the settings file
// and the interface lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

struct AppState;

// The parameters of this start, read one after the other. The position is never
// reset, so a later settings load finds nothing left to apply.
class StartParameters {
public:
    StartParameters() = default;
    // Each element is one parameter (the shell already split the command line);
    // double quotes inside are removed as the program has always done.
    explicit StartParameters(const std::vector<std::string>& params);
    // Splits a whole command line: blanks separate, quoted sections keep blanks, quotes go.
    static StartParameters fromCommandLine(std::string_view commandLine);

    size_t count() const { return params_.size(); }
    // The next parameter, or an empty text when none is left.
    std::string next();

private:
    std::vector<std::string> params_;
    size_t position_ = 0;
};

// Reads a number the way the switches do: leading blanks skipped, an optional sign,
// decimal digits or hexadecimal after "$", stopping at the first other character;
// no digits give 0.
int64_t readSwitchNumber(std::string_view text);

// Applies /LOCKED, /FORIGEN, /FDESTINO and /FCONFIG from the remaining parameters (up
// to the first empty one), then strips one enclosing double quote from each of the
// three paths they set.
void applyStartSwitches(AppState& state, StartParameters& params);

}  // namespace tesselon
