// Times the SFTP client's scan and download of a remote folder: every file below it is
// fetched into DOWNLOAD_DIR at its path relative to the folder, one after another on one
// connection, as the program's download does. Prints the seconds taken and the count.
//
// Usage: sftp_bench HOST PORT USER PASSWORD FINGERPRINT REMOTE_FOLDER DOWNLOAD_DIR
#include <chrono>
#include <cstdio>
#include <string>

#include "remote/sftp/sftp_connection.h"
#include "remote/sftp/sftp_scan.h"
#include "runtime/fs/create_path.h"
#include "runtime/fs/paths.h"

int main(int argc, char** argv) {
    using namespace tesselon;
    if (argc < 8) {
        std::fprintf(stderr, "usage: sftp_bench HOST PORT USER PASSWORD FINGERPRINT FOLDER DIR\n");
        return 2;
    }
    const std::string folder = argv[6];
    const std::string target = withTrailingSeparator(argv[7]);
    const auto start = std::chrono::steady_clock::now();

    SftpConnectOptions options;
    options.host = argv[1];
    options.port = std::stoi(argv[2]);
    options.user = argv[3];
    options.password = argv[4];
    options.acceptedFingerprint = argv[5];
    options.knownHosts.accepted = target + ".known_hosts";
    SftpConnectResult connected = SftpConnection::connect(options);
    if (!connected.connection) {
        std::fprintf(stderr, "connection failed (%d)\n", int(connected.failure));
        return 1;
    }
    SftpConnection& connection = *connected.connection;
    const SftpScanResult scan = scanSftpFolder(connection, folder, {});
    if (scan.failure != SftpFailure::None) {
        std::fprintf(stderr, "scan failed (%d)\n", int(scan.failure));
        return 1;
    }
    for (const SftpScanFile& file : scan.files) {
        const std::string local = target + file.path.substr(scan.root.size() + 1);
        SftpDownloadOptions download;
        download.listedSize = file.size;
        if (!createPath(pathPart(local)) || connection.download(file.path, local, download) != SftpFailure::None) {
            std::fprintf(stderr, "download of %s failed\n", file.path.c_str());
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %zu\n", seconds, scan.files.size());
    return 0;
}
