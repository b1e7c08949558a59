// What the desktop says about a server it does not know yet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "ui/remote_texts.h"

namespace tesselon {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The lines between `heading` and the next empty line.
std::vector<std::string> blockAfter(const std::string& text, const std::string& heading) {
    const std::vector<std::string> lines = linesOf(text);
    auto it = std::find(lines.begin(), lines.end(), heading);
    EXPECT_NE(it, lines.end()) << text;
    if (it == lines.end()) return {};
    std::vector<std::string> block;
    for (++it; it != lines.end() && !it->empty(); ++it) block.push_back(*it);
    return block;
}

TEST(RemoteTexts, ACertificateFingerprintIsShownInWholeLinesThatJoinBackToIt) {
    ServerIdentity identity;
    identity.protocol = RemoteProtocol::Ftps;
    identity.host = "ftp.example.org";
    identity.port = 21;
    identity.fingerprint = "3f9a1c0b7e24d5a8c6e1f09b2d4a7c3e5f8b1d0a9c2e4f6a8b0d1c3e5f7a9b2c";
    identity.certificate = CertificateProblem::Untrusted;

    // The question, and the box of a refused certificate, show it the same way.
    ConnectionTestReport refused;
    refused.connection.failure = RemoteFailure::CertificateRefused;
    refused.connection.identity = identity;
    for (const std::string& text : {trustQuestion(identity).text, connectionTestBox(refused).text}) {
        const std::vector<std::string> block = blockAfter(text, "Huella SHA-256 del certificado:");
        ASSERT_EQ(block.size(), 2u) << text;
        std::string hex;
        for (const std::string& line : block) {
            std::istringstream pairs(line);
            int count = 0;
            for (std::string pair; std::getline(pairs, pair, ':');) count += pair.size() == 2 ? 1 : 100;
            EXPECT_EQ(count, 16) << line;
            for (char c : line) {
                if (c != ':') hex += char(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        EXPECT_EQ(hex, identity.fingerprint);
        EXPECT_EQ(block[0] + block[1], readableFingerprint(identity.fingerprint));
    }
}

TEST(RemoteTexts, AnSshKeyFingerprintStaysOnOneLineAsOpenSshPrintsIt) {
    ServerIdentity identity;
    identity.protocol = RemoteProtocol::Sftp;
    identity.host = "127.0.0.1";
    identity.port = 2222;
    identity.fingerprint = "SHA256:No7Ivd9Hgv7pSf+pVNr3/DF4Vi9CGO9XkaV4caGQGmQ";
    const std::vector<std::string> block = blockAfter(trustQuestion(identity).text, "Huella de la clave:");
    EXPECT_EQ(block, std::vector<std::string>{identity.fingerprint});
}

TEST(RemoteTexts, AChangedHostKeyTellsWhereTheOldKeyIsKept) {
    ConnectionTestReport changed;
    changed.connection.failure = RemoteFailure::HostKeyChanged;
    changed.connection.identity.protocol = RemoteProtocol::Sftp;
    changed.connection.identity.host = "127.0.0.1";
    changed.connection.identity.fingerprint = "SHA256:No7Ivd9Hgv7pSf+pVNr3/DF4Vi9CGO9XkaV4caGQGmQ";
    const MessageBoxText box = connectionTestBox(changed);
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_NE(box.text.find("~/.ssh/known_hosts"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("carpeta del programa"), std::string::npos) << box.text;
}

// A known-hosts file that cannot be read is named with why, never taken for a server
// that cannot be reached.
TEST(RemoteTexts, AKnownHostsFileThatCannotBeReadIsNamedWithWhy) {
    ConnectionTestReport refused;
    refused.connection.failure = RemoteFailure::KnownHostsUnreadable;
    refused.connection.protocol = RemoteProtocol::Sftp;
    refused.connection.server = "sftp.example.org";
    refused.connection.knownHostsFile = "/home/ana/.ssh/known_hosts";
    refused.connection.knownHostsProblem = OpenProblem::TooLarge;
    MessageBoxText box = connectionTestBox(refused);
    EXPECT_EQ(box.title, "No se puede comprobar la clave del servidor");
    EXPECT_NE(box.text.find("'/home/ana/.ssh/known_hosts' ocupa más de 16 MiB"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("se rechazará todo servidor SFTP"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("No se pudo conectar"), std::string::npos) << box.text;

    refused.connection.knownHostsProblem = OpenProblem::NotRegular;
    box = connectionTestBox(refused);
    EXPECT_NE(box.text.find("known_hosts' no es un archivo normal"), std::string::npos) << box.text;
    refused.connection.knownHostsProblem = OpenProblem::Unreadable;
    box = connectionTestBox(refused);
    EXPECT_NE(box.text.find("known_hosts' no se puede leer"), std::string::npos) << box.text;
    // The scan's status line says the same.
    RemoteScanOutcome scan;
    scan.connection = refused.connection;
    EXPECT_NE(remoteScanStatusLine(scan).find("no se puede leer"), std::string::npos);
}

// A scan that stopped at a bound says which, with its figure; paths too long to take
// count among the names skipped.
TEST(RemoteTexts, AScanStoppedAtABoundNamesTheBound) {
    RemoteScanOutcome scan;
    scan.connection.failure = RemoteFailure::None;
    scan.stopped = true;
    scan.pathTextLimit = uint64_t(64) << 20;
    scan.deadlineSeconds = 3600;
    scan.problems = {{ScanProblem::Kind::RemoteListingCut, "/fotos/rota"},
                     {ScanProblem::Kind::RemotePathTextLimit, "/fotos/muchas"}};
    EXPECT_EQ(remoteScanStatusLine(scan),
              "ERROR: Recorrido de imagenes detenido al llegar a 64 MiB de rutas listadas en: /fotos/muchas");
    scan.problems = {{ScanProblem::Kind::RemoteScanDeadline, "/fotos/lenta"}};
    EXPECT_EQ(remoteScanStatusLine(scan),
              "ERROR: Recorrido de imagenes detenido al pasar su plazo de 3600 segundos en: /fotos/lenta");

    scan.stopped = false;
    scan.skippedNames = 2;
    scan.problems = {{ScanProblem::Kind::RemotePathTooLong, "/fotos/" + std::string(5000, 'n')},
                     {ScanProblem::Kind::RemoteNameClimbsOut, "/fotos/.."}};
    EXPECT_EQ(remoteScanStatusLine(scan), "Se omitieron 2 nombres del servidor que no pueden ser un archivo local");
}

// The download's end box names the protocol it went over; over FTP its texts stay
// exactly as they always were.
TEST(RemoteTexts, TheDownloadEndBoxNamesTheProtocolItWentOver) {
    RemoteDownloadOutcome done;
    done.end = RemoteDownloadOutcome::End::Finished;
    EXPECT_EQ(downloadEndBox(done, RemoteProtocol::Ftp).title, "Descarga desde FTP OK");
    EXPECT_EQ(downloadEndBox(done, RemoteProtocol::Sftp).title, "Descarga desde SFTP OK");
    EXPECT_EQ(downloadEndBox(done, RemoteProtocol::Ftps).title, "Descarga desde FTPS OK");

    RemoteDownloadOutcome refused;
    refused.end = RemoteDownloadOutcome::End::NoConnection;
    refused.connection.server = "ftp.example.org";
    const MessageBoxText box = downloadEndBox(refused, RemoteProtocol::Sftp);
    EXPECT_EQ(box.title, "Descarga desde SFTP ERRONEA");
    EXPECT_EQ(box.text, "Error al intentar abrir la conexión SFTP en 'ftp.example.org'");
    // Only the protocol as a word: a name that holds the letters is left alone.
    EXPECT_EQ(namingProtocol("_FTPimg/ vía FTP (FTPS)", RemoteProtocol::Sftp), "_FTPimg/ vía SFTP (SFTP)");
}

// The question about a failed file says why it failed, so that Reintentar is chosen
// knowing what went wrong.
TEST(RemoteTexts, TheRetryQuestionSaysWhyTheFileFailed) {
    const MessageBoxText silent = retryQuestion({"/fotos/FreshFlower.jpg", RemoteFailure::TimedOut, 1});
    EXPECT_EQ(silent.title, "Error de descarga de archivo");
    ASSERT_FALSE(linesOf(silent.text).empty());
    EXPECT_EQ(linesOf(silent.text)[0], "No se pudo descargar '/fotos/FreshFlower.jpg': el servidor dejó de responder.");
    const MessageBoxText noData = retryQuestion({"/fotos/FreshFlower.jpg", RemoteFailure::NoDataConnection, 1});
    ASSERT_FALSE(linesOf(noData.text).empty());
    EXPECT_NE(linesOf(noData.text)[0].find("conexión de datos"), std::string::npos) << noData.text;
    const MessageBoxText refused = retryQuestion({"/fotos/FreshFlower.jpg", RemoteFailure::TransferRefused, 1});
    EXPECT_NE(linesOf(refused.text)[0], linesOf(noData.text)[0]);
    EXPECT_NE(linesOf(refused.text)[0], linesOf(silent.text)[0]);
}

}  // namespace
}  // namespace tesselon
