// What went wrong in an SFTP connection, listing or transfer, as a value the front
// ends turn into their own words.
#pragma once

namespace tesselon {

enum class SftpFailure {
    None,
    CannotConnect,      // no TCP connection, no SSH handshake, or no SFTP service
    HostKeyUnknown,     // no known-hosts file knows the server's key and it was not accepted
    HostKeyChanged,     // a known-hosts file holds another key for the host (or revokes this one)
    KnownHostsUnreadable,  // a known-hosts file is there but cannot be read: no host can be checked
    LoginRefused,       // the server refused the user and password
    FolderMissing,      // the folder does not exist or is not a folder
    ListingFailed,      // a folder could not be read whole
    TransferFailed,     // the server refused the file, or the transfer broke off
    ShorterThanListed,  // the file ended before the size its listing gave
    OverBound,          // more bytes than listed, a folder too deep, too many entries
    OverSizeBound,      // a file past the most bytes a download may bring (listed so, or sent)
    UnsafeName,         // a listed name that would leave its folder
    LocalFileFailed,    // the local file could not be written or put in place
    TimedOut,           // the server stopped answering, or an operation passed its deadline
    Cancelled,          // the caller's cancel flag was raised
    ConnectionLost,     // the connection broke in an earlier operation; connect again
};

}  // namespace tesselon
