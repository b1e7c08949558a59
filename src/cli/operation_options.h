// The image and text operations of tesselon-batch as switches. They override the
// settings file (or the built-in settings) field by field; what the records cannot hold
// (a box to fit into, "only shrink", a text size relative to the image) travels to the
// engine as the job's refinements and is not saved.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/records.h"
#include "core/job_refinements.h"

namespace tesselon {

class ArgReader;

struct ResizeRequest {
    int width = 0;   // 0: that side is free
    int height = 0;
    bool exact = false;       // "WxH!": both sides as given, the aspect ignored
    bool shrinkOnly = false;  // "WxH>": never enlarge
};

struct TextSizeRequest {
    int pixels = 0;                  // "--text-size 40"
    std::optional<double> heightShare;  // "--text-size 5%": 0.05
};

struct OperationOptions {
    bool grey = false;                       // --grey
    bool invert = false;                     // --invert
    std::optional<std::string> mirror;       // --mirror h|v|hv
    std::optional<int> contrast;             // --contrast 0..255
    std::optional<int32_t> tintColour;       // --tint COLOUR:AMOUNT, record order
    std::optional<int> tintAmount;
    std::optional<int> rotate;               // --rotate DEG, brought to 0..359
    std::optional<int32_t> background;       // --background COLOUR
    std::optional<ResizeRequest> resize;     // --resize WxH[!|>], W, xH
    std::optional<std::string> text;         // --text TEXT
    std::optional<std::string> phrases;      // --phrases FILE
    std::optional<std::string> font;         // --font NAME
    std::optional<TextSizeRequest> textSize; // --text-size PX|N%
    std::optional<int32_t> textColour;       // --text-colour COLOUR
    std::optional<int32_t> outline;          // --outline COLOUR
    bool noOutline = false;                  // --outline none
    std::optional<int> position;             // --position NAME, as TextoPosicion
    std::optional<int> textOpacity;          // --text-opacity 0..100 (percent)
    std::optional<bool> textBeforeRotation;  // --text-before-rotation / --text-after-rotation
    bool noText = false;                     // --no-text

    bool any() const;
    // --text or --phrases: the job draws text whatever the settings say.
    bool asksText() const { return text.has_value() || phrases.has_value(); }
};

// When the reader's current argument is an operation switch: takes it (and its value)
// into `options` and returns true; `error` then holds one line if the value is wrong.
bool takeOperationOption(ArgReader& reader, OperationOptions& options, std::string& error);

// Checks the switches together; one line when they contradict each other.
std::string operationConflict(const OperationOptions& options);

// Writes the switches into the records.
void applyOperationOptions(const OperationOptions& options, Settings& settings);

// What the records cannot hold, for the engine.
JobRefinements refinementsOf(const OperationOptions& options);

// The switches whose effect a settings file written now would not keep, by name.
std::vector<std::string> unsavedOperationOptions(const OperationOptions& options);

// The help text of the switches.
const char* operationOptionsUsage();

}  // namespace tesselon
