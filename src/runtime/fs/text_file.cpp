#include "runtime/fs/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/text_codec.h"

namespace tesselon {

namespace {

// Large enough that a big file is read and written in few system calls.
constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

struct TextFile::Impl {
    FileDescriptor fd;
    bool forWriting = false;
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<char> buffer;

    // Reading: the unread bytes are buffer[begin, end).
    size_t begin = 0;
    size_t end = 0;
    bool drained = false;  // the file reported its end (or a read error)
    uint64_t readable = 0; // bytes still allowed to be read
    uint64_t size = 0;     // when opened
    OpenProblem problem = OpenProblem::None;

    // Writing: bytes in buffer[0, end) wait to be written.
    bool failed = false;

    ~Impl() {
        if (forWriting && fd.valid()) flush();
    }

    bool fill() {
        if (drained) return false;
        if (begin > 0) {
            std::memmove(buffer.data(), buffer.data() + begin, end - begin);
            end -= begin;
            begin = 0;
        }
        for (;;) {
            const size_t room = size_t(std::min<uint64_t>(buffer.size() - end, readable));
            if (room == 0) {
                drained = true;
                return false;
            }
            const ssize_t got = ::read(fd.get(), buffer.data() + end, room);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                drained = true;
                return false;
            }
            end += static_cast<size_t>(got);
            readable -= static_cast<uint64_t>(got);
            return true;
        }
    }

    // At least `count` unread bytes, unless the file ends first.
    bool ensure(size_t count) {
        while (end - begin < count) {
            if (!fill()) return false;
        }
        return true;
    }

    bool flush() {
        if (failed) return false;
        if (end > 0 && !writeAll(fd.get(), buffer.data(), end)) failed = true;
        end = 0;
        return !failed;
    }

    bool write(const char* data, size_t length) {
        if (failed) return false;
        if (end + length > buffer.size() && !flush()) return false;
        if (length >= buffer.size()) {
            if (!writeAll(fd.get(), data, length)) failed = true;
            return !failed;
        }
        std::memcpy(buffer.data() + end, data, length);
        end += length;
        return true;
    }

    std::string readByteLine(bool utf8);
    std::string readUtf16Line(bool bigEndian);
};

std::string TextFile::Impl::readByteLine(bool utf8) {
    std::string line;
    for (;;) {
        if (begin == end && !fill()) return line;
        const char* first = buffer.data() + begin;
        const char* last = buffer.data() + end;
        const char* stop = std::find_if(first, last, [](char c) { return c == '\r' || c == '\n'; });
        if (utf8) {
            line.append(first, stop);
        } else {
            appendLatin1AsUtf8(line, std::string_view(first, size_t(stop - first)));
        }
        begin += size_t(stop - first);
        if (stop == last) continue;
        ++begin;
        if (*stop == '\r' && ensure(1) && buffer[begin] == '\n') ++begin;
        return line;
    }
}

std::string TextFile::Impl::readUtf16Line(bool bigEndian) {
    std::u16string units;
    const auto unitAt = [this, bigEndian](size_t at) {
        const auto first = static_cast<unsigned char>(buffer[at]);
        const auto second = static_cast<unsigned char>(buffer[at + 1]);
        return static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8));
    };
    for (;;) {
        if (!ensure(2)) {
            // An odd byte at the very end cannot form a character; it is dropped.
            begin = end;
            break;
        }
        const char16_t unit = unitAt(begin);
        begin += 2;
        if (unit == u'\n') break;
        if (unit == u'\r') {
            if (ensure(2) && unitAt(begin) == u'\n') begin += 2;
            break;
        }
        units += unit;
    }
    std::string line;
    appendUtf16AsUtf8(line, units.data(), units.size());
    return line;
}

TextFile::TextFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TextFile::TextFile(TextFile&&) noexcept = default;
TextFile& TextFile::operator=(TextFile&&) noexcept = default;
TextFile::~TextFile() = default;

TextFile TextFile::openForReading(std::string_view path, TextEncoding encoding, uint64_t maxBytes) {
    auto impl = std::make_unique<Impl>();
    impl->encoding = encoding;
    OpenedFile opened = openRegularFile(path, maxBytes);
    impl->problem = opened.problem;
    if (opened.file) {
        impl->fd = std::move(opened.file->fd);
        impl->readable = maxBytes;
        impl->size = opened.file->size;
        impl->buffer.resize(kBufferSize);
    }
    return TextFile(std::move(impl));
}

TextFile TextFile::create(std::string_view path, TextEncoding encoding) {
    auto impl = std::make_unique<Impl>();
    impl->encoding = encoding;
    impl->forWriting = true;
    impl->fd.reset(::open(std::string(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (impl->fd.valid()) impl->buffer.resize(kBufferSize);
    return TextFile(std::move(impl));
}

bool TextFile::isOpen() const { return impl_ && impl_->fd.valid(); }

OpenProblem TextFile::openProblem() const { return impl_ ? impl_->problem : OpenProblem::None; }

TextEncoding TextFile::encoding() const { return impl_ ? impl_->encoding : TextEncoding::Utf8; }

uint64_t TextFile::size() const { return impl_ ? impl_->size : 0; }

bool TextFile::eof() const {
    if (!isOpen() || impl_->forWriting) return true;
    return impl_->begin == impl_->end && !impl_->fill();
}

std::string TextFile::readLine() { return readLine(encoding()); }

std::string TextFile::readLine(TextEncoding encoding) {
    if (!isOpen() || impl_->forWriting) return {};
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        return impl_->readUtf16Line(encoding == TextEncoding::Utf16BE);
    return impl_->readByteLine(encoding == TextEncoding::Utf8);
}

TextEncoding TextFile::detectEncoding() {
    if (!isOpen() || impl_->forWriting) return TextEncoding::Ascii;
    Impl& f = *impl_;
    f.ensure(4);
    const auto startsWith = [&f](std::string_view mark) {
        return f.end - f.begin >= mark.size() &&
               std::memcmp(f.buffer.data() + f.begin, mark.data(), mark.size()) == 0;
    };
    using namespace std::string_view_literals;
    struct Mark {
        std::string_view bytes;
        TextEncoding encoding;
    };
    static constexpr Mark kMarks[] = {
        {"\xEF\xBB\xBF"sv, TextEncoding::Utf8},
        {"\xFF\xFE"sv, TextEncoding::Utf16LE},
        {"\xFE\xFF"sv, TextEncoding::Utf16BE},
        {"\x00\x00\xFE\xFF"sv, TextEncoding::Utf32BE},
    };
    for (const Mark& mark : kMarks) {
        if (startsWith(mark.bytes)) {
            f.begin += mark.bytes.size();
            return mark.encoding;
        }
    }
    return TextEncoding::Ascii;
}

int64_t TextFile::writeLine(std::string_view text) { return writeLine(text, encoding()); }

int64_t TextFile::writeLine(std::string_view text, TextEncoding encoding) {
    std::string bytes;
    if (encoding == TextEncoding::Utf8) {
        bytes.reserve(text.size() + 2);
        bytes.append(text);
        bytes.append("\r\n");
    } else if (encoding == TextEncoding::Utf16LE) {
        bytes = utf8ToUtf16le(text);
        bytes.append("\r\0\n\0", 4);
    } else {
        bytes = utf8ToLatin1(text);
        bytes.append("\r\n");
    }
    return writeData(bytes.data(), bytes.size());
}

int64_t TextFile::writeData(const void* data, size_t length) {
    if (!isOpen() || !impl_->forWriting) return -1;
    if (!impl_->write(static_cast<const char*>(data), length)) return -1;
    return static_cast<int64_t>(length);
}

bool TextFile::close() {
    if (!isOpen()) return false;
    bool ok = true;
    if (impl_->forWriting) ok = impl_->flush();
    ok = impl_->fd.reset() && ok;
    impl_->buffer = {};
    return ok;
}

}  // namespace tesselon
