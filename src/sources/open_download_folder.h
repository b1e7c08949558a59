// Showing the user the folder the images were downloaded into.
#pragma once

#include <string>

namespace tesselon {

class Frontend;

// How long the desktop's opener has to fail before it is taken to have opened the folder.
inline constexpr double kOpenerVerdictMs = 3000;

// Opens `folder` with the desktop's folder handler. When there is none (the opener
// cannot start, or fails soon after), a box shows the folder's path instead, so that
// the user is not left without an answer.
void openDownloadFolder(Frontend& ui, const std::string& folder);

}  // namespace tesselon
