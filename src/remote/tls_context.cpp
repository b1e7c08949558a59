#include "remote/tls_context.h"

#include <openssl/ssl.h>

namespace tesselon {

std::shared_ptr<TlsClientContext> TlsClientContext::make(const std::string& caFile) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) return nullptr;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // Writes may end part way (a deadline, an abort) and be taken up again from another
    // buffer holding the same bytes.
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // The chain is checked in full, but the handshake is let finish so that the refusal
    // can name the certificate; the session decides before anything else is sent.
    SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
    const bool trusted = caFile.empty() ? SSL_CTX_set_default_verify_paths(context) == 1
                                        : SSL_CTX_load_verify_locations(context, caFile.c_str(), nullptr) == 1;
    if (!trusted) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return std::shared_ptr<TlsClientContext>(new TlsClientContext(context, caFile));
}

TlsClientContext::~TlsClientContext() { SSL_CTX_free(context_); }

TlsSession& TlsSession::operator=(TlsSession&& other) noexcept {
    if (this != &other) {
        SSL_SESSION_free(session_);
        session_ = std::exchange(other.session_, nullptr);
    }
    return *this;
}

TlsSession::~TlsSession() { SSL_SESSION_free(session_); }

}  // namespace tesselon
