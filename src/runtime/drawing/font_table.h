// Loaded fonts by handle: a caller asks for a fixed number or for a new handle.
//
// Not synchronised: the table belongs to one thread (the program keeps its fonts on the
// main thread). Lookups return copies, so a Font stays usable after its handle is freed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "runtime/drawing/font.h"

namespace tesselon {

class FontTable {
public:
    static constexpr int kNewHandle = -1;
    // Fixed numbers run from 0 to this; new handles are given out above it, so a new
    // handle never collides with a fixed number a caller may ask for later.
    static constexpr int kMaxFixedHandle = 0xFFFF;

    // Loads a font into the table. A fixed number replaces the font held there; the
    // result is the handle, empty when the font cannot be loaded or the number is
    // out of range (nothing changes then).
    std::optional<int> load(int handle, const std::string& face, int points, uint32_t style, int dpi);
    std::optional<int> put(int handle, Font font);

    std::optional<Font> find(int handle) const;
    bool contains(int handle) const { return fonts_.count(handle) != 0; }
    bool free(int handle);
    void freeAll() { fonts_.clear(); }
    size_t size() const { return fonts_.size(); }

private:
    std::map<int, Font> fonts_;
    int nextHandle_ = kMaxFixedHandle + 1;
};

}  // namespace tesselon
