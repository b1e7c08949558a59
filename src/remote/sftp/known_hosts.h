// The server's host key against OpenSSH known-hosts files (hashed names, patterns and
// "[host]:port" entries included), and the program's own file of keys the user
// accepted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <libssh/libssh.h>

#include "runtime/fs/regular_file.h"

namespace tesselon {

struct KnownHostsFiles {
    // Read only: the user's ~/.ssh/known_hosts and the system's file, as OpenSSH keeps them.
    std::vector<std::string> trusted;
    // Read and written: the keys accepted in this program.
    std::string accepted;
};

// The user's and the system's files, and `acceptedFile`.
KnownHostsFiles standardKnownHostsFiles(const std::string& acceptedFile);

// A known-hosts file is a small text; a larger one is not read at all.
inline constexpr uint64_t kMaxKnownHostsBytes = uint64_t(16) << 20;

// The files' texts, read before anything is sent. A missing file holds no key; a file
// that is there but cannot be read (no permission, a folder or device, larger than
// kMaxKnownHostsBytes) could hold the very key that tells a changed host from a new one,
// so it is `problem` and no host may be checked until it is mended.
struct KnownHostsTexts {
    std::vector<std::string> texts;
    OpenProblem problem = OpenProblem::None;
    std::string problemFile;  // the first file that could not be read
};
KnownHostsTexts readKnownHosts(const KnownHostsFiles& files);

enum class HostKeyStatus {
    Known,    // a file holds this key for the host
    Unknown,  // no file names the host with a key of any kind
    Changed,  // a file holds another key for the host, or revokes this one
};

// Looks the key the connected `session` presented up in every file's text (which must
// have no problem). A key found in any file counts as known, as OpenSSH counts it.
HostKeyStatus lookUpHostKey(ssh_session session, ssh_key serverKey, const KnownHostsTexts& files);

// "SHA256:" and the unpadded base64 of the key's SHA-256, as OpenSSH prints it; empty
// when it cannot be made.
std::string keyFingerprint(ssh_key key);

// Adds the connected session's host key, under the host's known-hosts name, to the
// file of accepted keys, replacing the file in one step. False when it could not be
// written.
bool storeAcceptedHostKey(ssh_session session, const std::string& acceptedFile);

}  // namespace tesselon
