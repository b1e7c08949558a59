#include <arpa/inet.h>
#include <string>

#include "remote/ftp_protocol_text.h"
#include "remote/ftp_session_state.h"

namespace tesselon {

bool FtpDataConnection::open() {
    FtpSession::State& s = session_;
    if (s.passive) {
        if (const std::optional<uint16_t> prepared = s.takePreparedPort()) {
            data_ = NetStream(connectTcp(Ipv4Endpoint{s.peer.address, *prepared}, s.timeoutSeconds, &s.abortRequested));
            if (data_.valid() || s.abortRequested) return data_.valid();
            // The server let that listener go: it is asked for another.
        }
        std::string reply;
        if (!s.command("PASV", {}, "227", &reply)) return false;
        const std::optional<PassiveReply> passive = parsePassiveReply(reply);
        if (!passive) return false;
        // Only the port is taken from the reply: the data connection goes to the host
        // the control connection reached, so a server cannot point it elsewhere.
        data_ = NetStream(connectTcp(Ipv4Endpoint{s.peer.address, passive->port}, s.timeoutSeconds, &s.abortRequested));
        return data_.valid();
    }
    uint16_t port = 0;
    listener_ = listenOnAnyPort(port);
    if (!listener_.valid()) return false;
    const uint32_t address = ntohl(s.local.address);
    const std::string numbers = std::to_string(address >> 24) + "," + std::to_string((address >> 16) & 255) + "," +
                                std::to_string((address >> 8) & 255) + "," + std::to_string(address & 255) + "," +
                                std::to_string(port / 256) + "," + std::to_string(port % 256);
    return s.command("PORT ", numbers, "200");
}

bool FtpDataConnection::accept() {
    FtpSession::State& s = session_;
    if (!data_.valid()) {
        if (!listener_.valid()) return false;
        data_ = NetStream(acceptFrom(listener_.get(), s.peer.address, s.deadline(), &s.abortRequested));
        listener_.reset();
        if (!data_.valid()) return false;
    }
    if (!s.tls || data_.encrypted()) return true;
    const TlsHandshake shown = data_.startTls(*s.tls, s.host, s.control.session(), s.deadline(), &s.abortRequested);
    if (!shown.ok || shown.fingerprint != s.certificate) {
        data_.close(false);
        return false;
    }
    return true;
}

bool FtpDataConnection::finishSending() {
    // A server reads an upload to its end and then closes: what comes back meanwhile is
    // at most a few TLS records.
    constexpr size_t kDrainBytes = 64 * 1024;
    return data_.finishSending(Deadline(dataSendTimeout(session_)), kDrainBytes, &session_.abortRequested);
}

void FtpDataConnection::close() {
    data_.close();
    listener_.reset();
}

}  // namespace tesselon
