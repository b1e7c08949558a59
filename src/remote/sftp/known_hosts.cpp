#include "remote/sftp/known_hosts.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "remote/sftp/ssh_handles.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

enum class FileVerdict { None, Match, SameTypeOther, OtherType, Revoked };

struct KnownHostsEntry {
    void operator()(ssh_knownhosts_entry* entry) const { ssh_knownhosts_entry_free(entry); }
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

// How OpenSSH names a host in its files: the name alone on port 22, else "[name]:port".
std::optional<std::string> knownHostsName(ssh_session session) {
    char* host = nullptr;
    unsigned int port = 0;
    if (ssh_options_get(session, SSH_OPTIONS_HOST, &host) != SSH_OK || !host) return std::nullopt;
    const std::string name = lowerCase(host);
    ssh_string_free_char(host);
    if (ssh_options_get_port(session, &port) != SSH_OK) return std::nullopt;
    if (port == 22) return name;
    return "[" + name + "]:" + std::to_string(port);
}

// Compares the server's key with one line of a file; None when the line is about
// another host, is a comment, or cannot be read.
FileVerdict judgeLine(std::string line, const std::string& host, ssh_key serverKey) {
    std::replace(line.begin(), line.end(), '\t', ' ');
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line[start] == '#') return FileVerdict::None;
    line.erase(0, start);
    bool revocation = false;
    if (line[0] == '@') {
        // Certificate authorities are not used here; a revocation names a key that must
        // never be trusted again.
        const std::string_view marker = std::string_view(line).substr(0, line.find(' '));
        if (marker != "@revoked") return FileVerdict::None;
        revocation = true;
        line.erase(0, marker.size());
        const size_t rest = line.find_first_not_of(' ');
        if (rest == std::string::npos) return FileVerdict::None;
        line.erase(0, rest);
    }
    ssh_knownhosts_entry* parsed = nullptr;
    if (ssh_known_hosts_parse_line(host.c_str(), line.c_str(), &parsed) != SSH_OK || !parsed) {
        return FileVerdict::None;
    }
    const std::unique_ptr<ssh_knownhosts_entry, KnownHostsEntry> entry(parsed);
    const bool same = ssh_key_cmp(serverKey, entry->publickey, SSH_KEY_CMP_PUBLIC) == 0;
    if (revocation) return same ? FileVerdict::Revoked : FileVerdict::None;
    if (same) return FileVerdict::Match;
    return ssh_key_type(serverKey) == ssh_key_type(entry->publickey) ? FileVerdict::SameTypeOther
                                                                      : FileVerdict::OtherType;
}

// The strongest verdict of one file: revoked, then match, then another key of the
// same type, then only keys of other types.
FileVerdict judgeFile(const std::string& text, const std::string& host, ssh_key serverKey) {
    FileVerdict verdict = FileVerdict::None;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        verdict = std::max(verdict, judgeLine(std::move(line), host, serverKey));
        pos = end + 1;
    }
    return verdict;
}

}  // namespace

KnownHostsFiles standardKnownHostsFiles(const std::string& acceptedFile) {
    return KnownHostsFiles{{userFolder() + ".ssh/known_hosts", "/etc/ssh/ssh_known_hosts"}, acceptedFile};
}

KnownHostsTexts readKnownHosts(const KnownHostsFiles& files) {
    std::vector<std::string> paths = files.trusted;
    if (!files.accepted.empty()) paths.push_back(files.accepted);
    KnownHostsTexts read;
    for (const std::string& path : paths) {
        OpenedFile opened = openRegularFile(path, kMaxKnownHostsBytes);
        if (opened.problem == OpenProblem::Missing) continue;
        std::optional<std::string> text;
        if (opened.file) text = readOpenedFile(*opened.file, kMaxKnownHostsBytes);
        if (!text) {
            read.problem = opened.problem == OpenProblem::None ? OpenProblem::Unreadable : opened.problem;
            read.problemFile = path;
            read.texts.clear();
            return read;
        }
        read.texts.push_back(std::move(*text));
    }
    return read;
}

HostKeyStatus lookUpHostKey(ssh_session session, ssh_key serverKey, const KnownHostsTexts& files) {
    const std::optional<std::string> host = knownHostsName(session);
    if (!host) return HostKeyStatus::Unknown;
    bool match = false;
    bool other = false;
    for (const std::string& text : files.texts) {
        switch (judgeFile(text, *host, serverKey)) {
            case FileVerdict::Revoked: return HostKeyStatus::Changed;
            case FileVerdict::Match: match = true; break;
            // A host known by a key of another type that no longer offers it is as
            // suspect as one whose key changed: the negotiation asks for the known
            // types first.
            case FileVerdict::SameTypeOther:
            case FileVerdict::OtherType: other = true; break;
            case FileVerdict::None: break;
        }
    }
    if (match) return HostKeyStatus::Known;
    return other ? HostKeyStatus::Changed : HostKeyStatus::Unknown;
}

std::string keyFingerprint(ssh_key key) {
    unsigned char* hash = nullptr;
    size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != SSH_OK) return {};
    const SshText text(ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length));
    ssh_clean_pubkey_hash(&hash);
    return text ? std::string(text.get()) : std::string();
}

bool storeAcceptedHostKey(ssh_session session, const std::string& acceptedFile) {
    char* exported = nullptr;
    if (acceptedFile.empty() || ssh_session_export_known_hosts_entry(session, &exported) != SSH_OK || !exported) {
        return false;
    }
    const SshText line(exported);
    std::string text;
    if (fileSize(acceptedFile) != kFileMissing) {
        const std::optional<std::string> existing = readWholeFile(acceptedFile, kMaxKnownHostsBytes);
        if (!existing) return false;
        text = *existing;
        if (!text.empty() && text.back() != '\n') text += '\n';
    }
    text += line.get();
    return writeFileReplacing(acceptedFile, text);
}

}  // namespace tesselon
