#include "app/consent_gate.h"

#include "core/frontend.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {
constexpr int64_t kMinimumConsentSize = 20;
}

bool passConsentGate(const std::string& programFolder, Frontend& frontend, int64_t now) {
    const std::string path = programFolder + kConsentFileName;
    if (fileSize(path) >= kMinimumConsentSize) return true;

    const std::string text =
        std::string("ESPAÑOL: Usa este programa bajo tu responsabilidad. No nos hacemos responsables de posibles "
                    "daños en las imágenes tratadas o de cualquier otro inconveniente que pueda producirse en tu "
                    "equipo.") +
        "\r\n\r\nENGLISH: Use this software at your own risk. We are Not responsible For any damage To the "
        "processed images Or any other inconvenience that may occur in your computer." +
        "\r\n\r\n¿CONTINUAR? / CONTINUE?";
    if (frontend.messageBox("ATENCIÓN/PLEASE NOTE", text, MessageButtons::YesNo, MessageIcon::Warning) !=
        MessageAnswer::Yes)
        return false;

    const std::string line = "Consentimiento aceptado en fecha/Consent accepted on date (dd/mm/yyyy): " +
                             formatDate("%dd/%mm/%yyyy", now) + "\r\n";
    // A file that cannot be written is not reported: the question simply comes back.
    writeFileReplacing(path, line);
    return true;
}

}  // namespace tesselon
