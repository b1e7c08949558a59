// One connection of the FTP client, plain or encrypted: it owns its socket and, once
// TLS was started on it, its TLS connection. Every send and receive is bounded by a
// deadline and may be cut short by an abort flag, whichever of the two carries it.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

#include "core/remote_outcomes.h"
#include "remote/tcp_socket.h"
#include "remote/tls_context.h"
#include "runtime/fs/file_descriptor.h"

struct ssl_st;

namespace tesselon {

// How starting TLS went, and the certificate the server showed.
struct TlsHandshake {
    bool ok = false;          // the handshake finished
    bool resumed = false;     // it resumed the session it was given
    std::string fingerprint;  // SHA-256 of the server's certificate, lower-case hex
    std::string subject;      // the name the certificate was made out for
    CertificateProblem problem = CertificateProblem::None;  // why it did not verify
};

class NetStream {
public:
    NetStream() = default;
    explicit NetStream(FileDescriptor socket) : socket_(std::move(socket)) {}
    NetStream(NetStream&& other) noexcept;
    NetStream& operator=(NetStream&& other) noexcept;
    NetStream(const NetStream&) = delete;
    NetStream& operator=(const NetStream&) = delete;
    ~NetStream() { close(); }

    bool valid() const { return socket_.valid(); }
    bool encrypted() const { return tls_ != nullptr; }

    // Sends every byte before the deadline; false on an error, a timeout or an abort.
    bool sendAll(const void* data, size_t length, const Deadline& deadline,
                 const std::atomic<bool>* abort = nullptr);
    // Receives what is there, waiting until the deadline for something to arrive: the
    // byte count, 0 when the peer ended the connection, -1 on an error, a timeout or an
    // abort. Over TLS, a connection cut without the peer's closing alert is an error:
    // the end of the data might not be the peer's.
    long receiveSome(void* buffer, size_t length, const Deadline& deadline,
                     const std::atomic<bool>* abort = nullptr);

    // Starts TLS as the client of `host` (a name or a dotted address, checked against
    // the certificate), resuming `resume` when it is given. The certificate is checked
    // but not refused here: the handshake tells what is wrong with it.
    TlsHandshake startTls(const TlsClientContext& context, const std::string& host, const TlsSession& resume,
                          const Deadline& deadline, const std::atomic<bool>* abort = nullptr);
    // The session to resume on further connections; empty before TLS.
    TlsSession session() const;

    std::optional<Ipv4Endpoint> localEndpoint() const { return tesselon::localEndpoint(socket_.get()); }
    std::optional<Ipv4Endpoint> peerEndpoint() const { return tesselon::peerEndpoint(socket_.get()); }

    // Ends what this side sends, before close: over TLS the closing alert goes out
    // whole, then the socket's sending half is shut, and whatever the peer still sends
    // (TLS session tickets, its own alert) is read and dropped until it closes, up to
    // `drainBytes` and the deadline. Closing a socket with unread bytes resets the
    // connection, and the reset throws away what the peer had not read yet: the end
    // of an upload. False when the alert could not be sent.
    bool finishSending(const Deadline& deadline, size_t drainBytes, const std::atomic<bool>* abort = nullptr);

    // Over TLS, tells the peer the data ends (without waiting for its answer) when
    // `politely`; then closes the socket.
    void close(bool politely = true);

private:
    FileDescriptor socket_;
    ssl_st* tls_ = nullptr;
};

}  // namespace tesselon
