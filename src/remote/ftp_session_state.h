// What a session holds, shared by the session's own operations, its data connections
// and its download worker. Internal to the FTP client.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "remote/ftp_listing.h"
#include "remote/ftp_reply_reader.h"
#include "remote/ftp_session.h"
#include "remote/net_stream.h"
#include "remote/tcp_socket.h"

namespace tesselon {

// A download handed to the session's worker.
struct DownloadJob {
    std::string remoteName;
    FileInFolder local;
    int64_t listedSize = 0;
    int64_t sizeBound = 0;
};

struct FtpSession::State {
    State(NetStream connection, const FtpConnectOptions& options);
    ~State();

    // TYPE with the representation ("A" or "I") unless the server already uses it.
    bool setType(std::string_view type);
    // Sends command + argument + CR LF; false when the line is refused or cannot be sent.
    bool sendCommand(std::string_view command, std::string_view argument = {});
    // sendCommand, then expectReply.
    bool command(std::string_view command, std::string_view argument, std::string_view codes,
                 std::string* replyText = nullptr);
    Deadline deadline() const { return Deadline(timeoutSeconds); }
    // After the client closed a data connection the server was still sending on: its
    // final reply (426, or 226 when it had just finished) keeps the conversation in
    // step; none within the bounds loses the session.
    void settleCutTransfer();
    // Waits until the download worker holds the control connection no more: no
    // download runs, and no data connection is being prepared.
    void waitForWorker();
    // Hands a download to the worker, started with the first one; false when no worker
    // could be started.
    bool submit(DownloadJob next);
    // The worker's loop: each download handed over, then (when asked for) the data
    // connection of the next one.
    void serveDownloads();
    // Ends the worker once the download in hand ended.
    void stopWorker();
    // PASV at once after a whole download, while the owner picks the next file: its 227
    // is kept for the next data connection. A refusal or an unusable reply keeps none.
    void prepareDataConnection();
    // The port of a 227 kept for the next data connection, if any is left and fresh; it
    // is used up.
    std::optional<uint16_t> takePreparedPort();
    bool transferRunning() const { return running.load(); }
    // False once a reply may be missing from the conversation: a receive failed, or a
    // transfer ended without its final reply being read.
    bool inStep() const { return !reader.broken() && !outOfStep.load(); }

    NetStream control;
    // FTPS: the authorities trusted, the name the certificate must carry, and the
    // certificate the control connection accepted, which every data connection must show.
    std::shared_ptr<const TlsClientContext> tls;
    std::string host;
    std::string certificate;
    // Whether the destructor may say QUIT: not to a server whose certificate was refused.
    bool sayQuit = true;
    Ipv4Endpoint peer;    // the server's end of the control connection
    Ipv4Endpoint local;   // ours
    bool passive = true;
    int timeoutSeconds = kFtpDefaultTimeout;
    FtpReplyReader reader;
    FtpListing listing;

    std::atomic<int64_t> progress{0};
    std::atomic<FtpTransferFailure> failure{FtpTransferFailure::None};
    std::atomic<bool> abortRequested{false};
    std::atomic<bool> running{false};
    std::atomic<bool> outOfStep{false};
    std::string type;  // the representation type in force, empty when unknown

    // Set by the owner before downloads: after each whole one the worker asks for the
    // next data connection (passive mode only).
    bool prepareAfterDownloads = false;
    // What the last 227 of a prepared data connection gave; touched only by whoever
    // holds the conversation (the worker, or the owner once the worker is idle).
    std::optional<uint16_t> preparedPort;
    Clock::time_point preparedAt;
    // Cuts every wait for a reply short: set only while abort() or the destructor waits
    // for the worker, so that a preparation the server does not answer cannot hold them.
    std::atomic<bool> cutReplyWaits{false};

    // The worker's end, for waits that should not outlast it.
    void finishTransfer(FtpTransferFailure result);
    std::mutex endMutex;
    std::condition_variable ended;  // a download ended, or the worker went idle

    // Guarded by endMutex.
    std::optional<DownloadJob> job;  // handed over, not yet taken by the worker
    bool workerIdle = true;
    bool stopping = false;
    std::condition_variable wake;  // a job waits, or the worker is to end
    std::thread worker;  // started with the first download, ended with the session
};

// One data connection: passive, connected at once to the control connection's peer
// on the port of the 227 reply; active, a listener announced by PORT whose one
// connection is accepted after the transfer command.
class FtpDataConnection {
public:
    explicit FtpDataConnection(FtpSession::State& session) : session_(session) {}

    // PASV or PORT; false when the server refused or the connection failed.
    bool open();
    // After the transfer command: in active mode accepts the server's connection; over
    // FTPS starts TLS on it, resuming the control connection's session, and takes it
    // only when it shows the control connection's certificate.
    bool accept();
    NetStream& stream() { return data_; }
    // The end of an upload's data (NetStream::finishSending), bounded as one block is.
    bool finishSending();
    void close();

private:
    FtpSession::State& session_;
    FileDescriptor listener_;
    NetStream data_;
};

// Time allowed for one block to leave on a data connection.
inline int dataSendTimeout(const FtpSession::State& s) { return s.timeoutSeconds < 5 ? s.timeoutSeconds : 5; }

// The worker of startDownload; None when the file arrived whole and is in place.
FtpTransferFailure runDownload(FtpSession::State& s, const std::string& remoteName, const FileInFolder& local,
                               int64_t listedSize, int64_t sizeBound);

}  // namespace tesselon
