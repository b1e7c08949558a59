// Text files read line by line in UTF-8, one-byte or UTF-16 (either byte order), and
// written in UTF-8, one-byte or UTF-16LE.
// Lines end at CR, LF or CR LF when read; writing a line appends CR LF.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/fs/regular_file.h"

namespace tesselon {

enum class TextEncoding : int {
    Utf8 = 2,
    Utf16BE = 4,
    Utf32BE = 6,
    Ascii = 24,    // one byte per character (Latin-1 on this platform)
    Utf16LE = 25,
};

// A file open for reading or for writing, with its own buffer. Moving transfers the
// open file; destroying an open file closes it (flushing what was written).
class TextFile {
public:
    // Opens an existing regular file of at most `maxBytes` for reading; check isOpen(),
    // and openProblem() for why not. A file that grows meanwhile is read up to the cap.
    static TextFile openForReading(std::string_view path, TextEncoding encoding = TextEncoding::Utf8,
                                   uint64_t maxBytes = kMaxTextFileBytes);
    // Creates a file, or empties an existing one, for writing; check isOpen(). Use
    // writeFileReplacing instead when an existing file must survive a failed write.
    static TextFile create(std::string_view path, TextEncoding encoding = TextEncoding::Utf8);

    TextFile(TextFile&&) noexcept;
    TextFile& operator=(TextFile&&) noexcept;
    ~TextFile();

    bool isOpen() const;
    // Why openForReading gave a file that is not open; None otherwise.
    OpenProblem openProblem() const;
    TextEncoding encoding() const;  // the default given when the file was opened
    // The size of a file opened for reading, as it was when opened; 0 otherwise.
    uint64_t size() const;

    // True once every byte has been read (and always for a file open for writing or
    // closed). "read a line; until eof()" yields every line of the file: one empty
    // line for an empty file, and no extra line after a final line end.
    bool eof() const;

    // Next line without its terminator; an empty text at the end of the file. UTF-8
    // bytes are returned as they are in the file; one-byte and UTF-16 text is converted
    // to UTF-8. Encodings other than UTF-8, UTF-16LE and UTF-16BE read as one-byte.
    std::string readLine();
    std::string readLine(TextEncoding encoding);

    // Inspects a byte-order mark at the read position: EF BB BF UTF-8, FF FE UTF-16LE,
    // FE FF UTF-16BE, 00 00 FE FF UTF-32BE, and moves past it; without a mark, Ascii
    // and no move. The file's default encoding is not changed.
    TextEncoding detectEncoding();

    // Writes text (converted from UTF-8 to the encoding; UTF-16LE as is, any other
    // encoding as one-byte text) followed by CR LF; returns the number of bytes
    // written, or -1 when the file is not open for writing or a write failed.
    int64_t writeLine(std::string_view text);
    int64_t writeLine(std::string_view text, TextEncoding encoding);
    int64_t writeData(const void* data, size_t length);

    // Flushes and closes; false when anything written did not reach the file.
    bool close();

private:
    struct Impl;
    explicit TextFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace tesselon
