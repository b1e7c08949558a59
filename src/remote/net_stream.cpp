#include "remote/net_stream.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

namespace tesselon {

namespace {

// The socket side of a TLS connection: send() with MSG_NOSIGNAL, so a peer that went
// away gives an error and never SIGPIPE, and the same non-blocking socket the plain
// stream uses.
int bioWrite(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(int(reinterpret_cast<intptr_t>(BIO_get_data(bio))), data, size_t(length),
                                MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) BIO_set_retry_write(bio);
    return int(sent);
}

int bioRead(BIO* bio, char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    const ssize_t got = ::recv(int(reinterpret_cast<intptr_t>(BIO_get_data(bio))), buffer, size_t(length), 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) BIO_set_retry_read(bio);
    return int(got);
}

long bioControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int bioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

// Built once and never changed after: only the functions above.
const BIO_METHOD* socketMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "tesselon socket");
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioControl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

enum class Step { Done, Again, Failed };

// What to do after a TLS call: wait for the socket to be readable or writable and call
// it again, or give up.
Step afterCall(ssl_st* tls, int fd, int returned, const Deadline& deadline, const std::atomic<bool>* abort) {
    short events = 0;
    switch (SSL_get_error(tls, returned)) {
    case SSL_ERROR_WANT_READ: events = POLLIN; break;
    case SSL_ERROR_WANT_WRITE: events = POLLOUT; break;
    default: ERR_clear_error(); return Step::Failed;
    }
    return waitForSocket(fd, events, deadline, abort) == WaitResult::Ready ? Step::Again : Step::Failed;
}

std::string hexOf(const unsigned char* bytes, unsigned length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

CertificateProblem problemOf(long verifyResult) {
    switch (verifyResult) {
    case X509_V_OK: return CertificateProblem::None;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return CertificateProblem::WrongName;
    case X509_V_ERR_CERT_HAS_EXPIRED: return CertificateProblem::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID: return CertificateProblem::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED: return CertificateProblem::Untrusted;
    default: return CertificateProblem::Invalid;
    }
}

// The common name, else the first DNS name, printable ASCII only.
std::string subjectOf(X509* certificate) {
    std::string name;
    char common[256] = {};
    if (X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, common, sizeof common) > 0) {
        name = common;
    } else if (auto* names = static_cast<GENERAL_NAMES*>(
                   X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr))) {
        for (int i = 0; i < sk_GENERAL_NAME_num(names) && name.empty(); ++i) {
            const GENERAL_NAME* entry = sk_GENERAL_NAME_value(names, i);
            if (entry->type != GEN_DNS) continue;
            const ASN1_STRING* dns = entry->d.dNSName;
            name.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(dns)), size_t(ASN1_STRING_length(dns)));
        }
        GENERAL_NAMES_free(names);
    }
    std::string printable;
    for (char c : name.substr(0, 255)) printable += (c >= 0x20 && c < 0x7f) ? c : '?';
    return printable;
}

}  // namespace

NetStream::NetStream(NetStream&& other) noexcept
    : socket_(std::move(other.socket_)), tls_(std::exchange(other.tls_, nullptr)) {}

NetStream& NetStream::operator=(NetStream&& other) noexcept {
    if (this != &other) {
        close();
        socket_ = std::move(other.socket_);
        tls_ = std::exchange(other.tls_, nullptr);
    }
    return *this;
}

bool NetStream::sendAll(const void* data, size_t length, const Deadline& deadline, const std::atomic<bool>* abort) {
    if (!tls_) return tesselon::sendAll(socket_.get(), data, length, deadline, abort);
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        if (abort && abort->load(std::memory_order_relaxed)) return false;
        const int part = int(std::min<size_t>(length, INT_MAX));
        const int sent = SSL_write(tls_, bytes, part);
        if (sent > 0) {
            bytes += sent;
            length -= size_t(sent);
            continue;
        }
        if (afterCall(tls_, socket_.get(), sent, deadline, abort) != Step::Again) return false;
    }
    return true;
}

long NetStream::receiveSome(void* buffer, size_t length, const Deadline& deadline, const std::atomic<bool>* abort) {
    if (!tls_) return tesselon::receiveSome(socket_.get(), buffer, length, deadline, abort);
    for (;;) {
        const int got = SSL_read(tls_, buffer, int(std::min<size_t>(length, INT_MAX)));
        if (got > 0) return got;
        if (SSL_get_error(tls_, got) == SSL_ERROR_ZERO_RETURN) return 0;
        if (afterCall(tls_, socket_.get(), got, deadline, abort) != Step::Again) return -1;
    }
}

TlsHandshake NetStream::startTls(const TlsClientContext& context, const std::string& host, const TlsSession& resume,
                                 const Deadline& deadline, const std::atomic<bool>* abort) {
    TlsHandshake result;
    if (tls_ || !socket_.valid()) return result;
    tls_ = SSL_new(context.get());
    BIO* bio = tls_ ? BIO_new(socketMethod()) : nullptr;
    if (!bio) return result;
    BIO_set_data(bio, reinterpret_cast<void*>(intptr_t(socket_.get())));
    SSL_set_bio(tls_, bio, bio);
    in6_addr numeric{};
    const bool address = ::inet_pton(AF_INET, host.c_str(), &numeric) == 1 || ::inet_pton(AF_INET6, host.c_str(), &numeric) == 1;
    if (address) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls_), host.c_str());
    } else {
        SSL_set1_host(tls_, host.c_str());
        SSL_set_tlsext_host_name(tls_, host.c_str());
    }
    if (resume.get()) SSL_set_session(tls_, resume.get());
    for (;;) {
        const int done = SSL_connect(tls_);
        if (done == 1) break;
        if (afterCall(tls_, socket_.get(), done, deadline, abort) != Step::Again) return result;
    }
    X509* certificate = SSL_get1_peer_certificate(tls_);
    if (!certificate) return result;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned digestLength = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &digestLength) == 1) result.fingerprint = hexOf(digest, digestLength);
    result.subject = subjectOf(certificate);
    X509_free(certificate);
    result.problem = problemOf(SSL_get_verify_result(tls_));
    result.resumed = SSL_session_reused(tls_) == 1;
    result.ok = !result.fingerprint.empty();
    return result;
}

TlsSession NetStream::session() const { return TlsSession(tls_ ? SSL_get1_session(tls_) : nullptr); }

bool NetStream::finishSending(const Deadline& deadline, size_t drainBytes, const std::atomic<bool>* abort) {
    if (!socket_.valid()) return false;
    if (tls_) {
        for (;;) {
            // 0: the alert is out (the peer's may follow); 1: both were exchanged.
            const int done = SSL_shutdown(tls_);
            if (done >= 0) break;
            if (afterCall(tls_, socket_.get(), done, deadline, abort) != Step::Again) return false;
        }
    }
    ::shutdown(socket_.get(), SHUT_WR);
    // Below TLS now: the session is over, only the socket's bytes matter.
    char sink[4096];
    while (drainBytes > 0) {
        const long got = tesselon::receiveSome(socket_.get(), sink, std::min(sizeof sink, drainBytes), deadline, abort);
        if (got <= 0) break;
        drainBytes -= size_t(got);
    }
    return true;
}

void NetStream::close(bool politely) {
    if (tls_) {
        // One try: the closing alert goes out if the socket takes it at once.
        if (politely) SSL_shutdown(tls_);
        SSL_free(tls_);
        tls_ = nullptr;
        ERR_clear_error();
    }
    socket_.reset();
}

}  // namespace tesselon
