#include "runtime/fs/file_replacement.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

namespace tesselon {

namespace {

// Long names are shortened in the temporary's name so it stays within NAME_MAX.
constexpr size_t kTemporaryNameStem = 180;
constexpr size_t kRandomSuffixLength = 16;

std::string randomSuffix() {
    unsigned long long value = 0;
    if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value)) {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        value = static_cast<unsigned long long>(now.tv_nsec) ^
                (static_cast<unsigned long long>(::getpid()) << 32) ^ reinterpret_cast<uintptr_t>(&now);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < kRandomSuffixLength; ++i, value >>= 4) text += kHex[value & 15];
    return text;
}

}  // namespace

FileDescriptor createTemporaryBeside(const FolderHandle& folder, const std::string& name, mode_t mode,
                                     std::string& temporaryName) {
    const std::string stem = name.substr(0, kTemporaryNameStem);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryName = "." + stem + "." + randomSuffix() + ".tmp";
        // O_EXCL also refuses a link standing at the name, dangling or not.
        FileDescriptor fd(::openat(folder.fd(), temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.valid()) {
            // Held until the descriptor closes: a cleaner never takes a live temporary
            // for one that a killed run left behind.
            (void)::flock(fd.get(), LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST) return fd;
    }
    return FileDescriptor();
}

FileDescriptor createTemporaryBeside(const std::string& target, mode_t mode, std::string& temporaryPath) {
    const FileInFolder file = fileAt(target);
    std::string name;
    FileDescriptor fd;
    if (file.folder.valid()) fd = createTemporaryBeside(file.folder, file.name, mode, name);
    temporaryPath = fd.valid() ? target.substr(0, target.size() - file.name.size()) + name : std::string();
    return fd;
}

bool isReplacementTemporaryName(std::string_view name) {
    // "." + stem + "." + 16 hexadecimal digits + ".tmp", as createTemporaryBeside names them.
    constexpr std::string_view kEnd = ".tmp";
    const size_t tail = 1 + kRandomSuffixLength + kEnd.size();
    if (name.size() < 1 + 1 + tail || name.front() != '.' || name.substr(name.size() - kEnd.size()) != kEnd)
        return false;
    const std::string_view suffix = name.substr(name.size() - kEnd.size() - kRandomSuffixLength, kRandomSuffixLength);
    if (name[name.size() - tail] != '.') return false;
    for (char c : suffix) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) return false;
    }
    return true;
}

FileReplacement::FileReplacement(std::string_view target) : FileReplacement(fileAt(target)) {}

FileReplacement::FileReplacement(FileInFolder target) : folder_(std::move(target.folder)), target_(std::move(target.name)) {
    open();
}

void FileReplacement::open() {
    if (folder_.valid() && !target_.empty()) fd_ = createTemporaryBeside(folder_, target_, 0666, temporary_);
}

FileReplacement::~FileReplacement() { discard(); }

bool FileReplacement::write(const void* data, size_t length) {
    if (!fd_.valid() || failed_) return false;
    failed_ = !writeAll(fd_.get(), data, length);
    return !failed_;
}

bool FileReplacement::commit() {
    if (!fd_.valid()) return false;
    const bool closed = fd_.reset();
    if (failed_ || !closed ||
        ::renameat(folder_.fd(), temporary_.c_str(), folder_.fd(), target_.c_str()) != 0) {
        ::unlinkat(folder_.fd(), temporary_.c_str(), 0);
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

void FileReplacement::discard() {
    if (temporary_.empty()) return;
    fd_.reset();
    ::unlinkat(folder_.fd(), temporary_.c_str(), 0);
    temporary_.clear();
}

}  // namespace tesselon
