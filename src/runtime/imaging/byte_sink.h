// Growing the encoded output from inside library callbacks.
#pragma once

#include <cstddef>
#include <string>

namespace tesselon {

// Appends without throwing: the callers run inside C libraries that cannot pass a C++
// exception through, and report the failure their own way instead.
inline bool appendBytes(std::string& out, const void* data, size_t size) noexcept {
    try {
        out.append(static_cast<const char*>(data), size);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace tesselon
