// The section lines of a settings file, in the order they are written, and the key the
// environment line holds beyond its record's descriptor. The writer, the reader and the
// list of keys (setting_keys.h) all name them from here.
#pragma once

#include <string_view>

namespace tesselon {

inline constexpr std::string_view kConfigSection = "[Config]";
inline constexpr std::string_view kEntornoSection = "[ProcesosEntorno]";
inline constexpr std::string_view kTextoSection = "[ProcesosTexto]";
inline constexpr std::string_view kImageSection = "[ProcesosImage]";

// Written last on the environment line, after every key of the descriptor.
inline constexpr std::string_view kProtocolKey = "protocolo";
// Written after it: the server folder the results are published to (empty: none).
inline constexpr std::string_view kPublishFolderKey = "carpetaPublicacion";

}  // namespace tesselon
