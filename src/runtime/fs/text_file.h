// Text files read and written line by line in UTF-8, one-byte or UTF-16LE encoding.
// Lines end at CR, LF or CR LF when read; writing a line appends CR LF.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace tesselon {

enum class TextEncoding : int {
    Utf8 = 2,
    Utf16BE = 4,
    Utf32BE = 6,
    Ascii = 24,    // one byte per character (Latin-1 on this platform)
    Utf16LE = 25,
};

class TextFile {
public:
    // Opens an existing file for reading; check isOpen().
    static TextFile openForReading(std::string_view path, TextEncoding encoding = TextEncoding::Utf8);
    // Creates or truncates a file for writing; check isOpen().
    static TextFile create(std::string_view path, TextEncoding encoding = TextEncoding::Utf8);

    TextFile(TextFile&&) noexcept;
    TextFile& operator=(TextFile&&) noexcept;
    ~TextFile();

    bool isOpen() const;
    bool eof() const;

    // Next line without its terminator; an empty text at the end of the file.
    std::string readLine();
    std::string readLine(TextEncoding encoding);

    // Inspects a byte-order mark: EF BB BF UTF-8, FF FE UTF-16LE, FE FF UTF-16BE,
    // 00 00 FE FF UTF-32BE, and moves past it; without a mark, Ascii and no move.
    TextEncoding detectEncoding();

    // Writes text (converted from UTF-8 to the encoding) followed by CR LF; returns the
    // number of bytes written, or -1 on a write error.
    int64_t writeLine(std::string_view text);
    int64_t writeLine(std::string_view text, TextEncoding encoding);
    int64_t writeData(const void* data, size_t length);

    // Flushes and closes; false when anything written did not reach the file.
    bool close();

private:
    TextFile() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tesselon
