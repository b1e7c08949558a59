// Owning handles for libssh's objects, each released with its own function.
#pragma once

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <memory>
#include <unistd.h>

namespace tesselon {

namespace ssh_release {
struct Session {
    // The socket was handed over with SSH_OPTIONS_FD, which libssh (0.10 on) leaves
    // open on disconnect; it forgets a socket it closed itself on an error.
    void operator()(ssh_session s) const {
        const socket_t fd = ssh_get_fd(s);
        ssh_disconnect(s);
        ssh_free(s);
        if (fd != SSH_INVALID_SOCKET) ::close(fd);
    }
};
struct Sftp {
    void operator()(sftp_session s) const { sftp_free(s); }
};
struct File {
    void operator()(sftp_file f) const { sftp_close(f); }
};
struct Dir {
    void operator()(sftp_dir d) const { sftp_closedir(d); }
};
struct Attributes {
    void operator()(sftp_attributes a) const { sftp_attributes_free(a); }
};
struct Key {
    void operator()(ssh_key k) const { ssh_key_free(k); }
};
struct Text {
    void operator()(char* s) const { ssh_string_free_char(s); }
};
}  // namespace ssh_release

using SshSessionHandle = std::unique_ptr<ssh_session_struct, ssh_release::Session>;
using SftpSessionHandle = std::unique_ptr<sftp_session_struct, ssh_release::Sftp>;
using SftpFileHandle = std::unique_ptr<sftp_file_struct, ssh_release::File>;
using SftpDirHandle = std::unique_ptr<sftp_dir_struct, ssh_release::Dir>;
using SftpAttributesHandle = std::unique_ptr<sftp_attributes_struct, ssh_release::Attributes>;
using SshKeyHandle = std::unique_ptr<ssh_key_struct, ssh_release::Key>;
// Text that libssh allocated (a fingerprint, a known-hosts line, a canonical path).
using SshText = std::unique_ptr<char, ssh_release::Text>;

}  // namespace tesselon
