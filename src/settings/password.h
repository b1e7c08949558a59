// The stored FTP password's protection: RC4 over the text's UTF-16LE bytes under a key
// derived from a fixed pass phrase. It only keeps the password from being readable at a
// glance in a settings file.
//
// The protected form is arbitrary UTF-16 code units (0 and lone surrogates included),
// held in WTF-8 (see runtime/json/wtf8.h). Both operations keep the length in code
// units, leave an empty text empty and undo each other for any well-formed WTF-8 text.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

std::string protectPassword(std::string_view plain);
std::string recoverPassword(std::string_view protectedText);

}  // namespace tesselon
