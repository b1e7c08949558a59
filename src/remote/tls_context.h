// The TLS side of FTPS: one client context (the authorities trusted, the versions
// allowed) and the session a data connection resumes.
#pragma once

#include <memory>
#include <string>
#include <utility>

struct ssl_ctx_st;
struct ssl_session_st;

namespace tesselon {

class TlsClientContext {
public:
    // Trusts the authorities of `caFile` when it is given, else the system's. Null when
    // the file cannot be read or holds no certificate.
    static std::shared_ptr<TlsClientContext> make(const std::string& caFile);
    ~TlsClientContext();
    TlsClientContext(const TlsClientContext&) = delete;
    TlsClientContext& operator=(const TlsClientContext&) = delete;

    ssl_ctx_st* get() const { return context_; }
    const std::string& caFile() const { return caFile_; }

private:
    TlsClientContext(ssl_ctx_st* context, std::string caFile) : context_(context), caFile_(std::move(caFile)) {}
    ssl_ctx_st* context_;
    std::string caFile_;
};

// A TLS session a new connection can resume (the control connection's, for its data
// connections). Empty when there is none.
class TlsSession {
public:
    TlsSession() = default;
    explicit TlsSession(ssl_session_st* session) : session_(session) {}
    TlsSession(TlsSession&& other) noexcept : session_(std::exchange(other.session_, nullptr)) {}
    TlsSession& operator=(TlsSession&& other) noexcept;
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;
    ~TlsSession();

    ssl_session_st* get() const { return session_; }

private:
    ssl_session_st* session_ = nullptr;
};

}  // namespace tesselon
