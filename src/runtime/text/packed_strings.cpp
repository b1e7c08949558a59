#include "runtime/text/packed_strings.h"

namespace tesselon {

namespace {

constexpr size_t kMarkEvery = 64;

// Reads the length that starts at `at` (7 bits a byte, low bits first, the high bit
// set on every byte but the last) and moves `at` past it.
size_t readLength(const std::string& bytes, size_t& at) {
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        length |= size_t(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return length;
    }
}

}  // namespace

PackedStrings::const_iterator::const_iterator(const std::string* bytes, size_t at) : bytes_(bytes), at_(at) {
    read();
}

PackedStrings::const_iterator& PackedStrings::const_iterator::operator++() {
    at_ = next_;
    read();
    return *this;
}

void PackedStrings::const_iterator::read() {
    if (at_ >= bytes_->size()) {
        current_ = {};
        next_ = at_;
        return;
    }
    size_t start = at_;
    const size_t length = readLength(*bytes_, start);
    current_ = std::string_view(bytes_->data() + start, length);
    next_ = start + length;
}

PackedStrings::PackedStrings(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts) push_back(text);
}

std::string_view PackedStrings::operator[](size_t index) const {
    size_t at = marks_[index / kMarkEvery];
    for (size_t skip = index % kMarkEvery; skip > 0; --skip) {
        const size_t length = readLength(bytes_, at);
        at += length;
    }
    const size_t length = readLength(bytes_, at);
    return std::string_view(bytes_.data() + at, length);
}

void PackedStrings::push_back(std::string_view text) {
    if (count_ % kMarkEvery == 0) marks_.push_back(bytes_.size());
    size_t length = text.size();
    do {
        const auto low = static_cast<unsigned char>(length & 0x7F);
        length >>= 7;
        bytes_.push_back(static_cast<char>(length ? low | 0x80 : low));
    } while (length);
    bytes_.append(text);
    ++count_;
}

void PackedStrings::clear() {
    bytes_ = std::string();
    marks_ = std::vector<uint64_t>();
    count_ = 0;
}

}  // namespace tesselon
