// A long list of short texts in one block of memory: each text is its length (one byte
// below 128) followed by its bytes, and the position of every 64th text is kept for
// looking one up. A std::vector<std::string> costs 32 bytes for every empty text, so a
// file of a million empty lines would cost 32 MB where this costs little more than 1 MB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

class PackedStrings {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view*;
        using reference = std::string_view;

        const_iterator() = default;
        std::string_view operator*() const { return current_; }
        const_iterator& operator++();
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return at_ == other.at_; }

    private:
        friend class PackedStrings;
        const_iterator(const std::string* bytes, size_t at);
        void read();  // the text at at_
        const std::string* bytes_ = nullptr;
        size_t at_ = 0;    // where the current text's length starts
        size_t next_ = 0;  // where the next one's starts
        std::string_view current_;
    };

    PackedStrings() = default;
    PackedStrings(std::initializer_list<std::string_view> texts);

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // The text at `index` (< size()); valid until the list changes.
    std::string_view operator[](size_t index) const;
    const_iterator begin() const { return const_iterator(&bytes_, 0); }
    const_iterator end() const { return const_iterator(&bytes_, bytes_.size()); }

    void push_back(std::string_view text);
    void clear();
    // Room for this many bytes of texts, so that a list read from a file of known size
    // grows once.
    void reserve(size_t bytes) { bytes_.reserve(bytes); }
    // Bytes held, for memory accounting.
    size_t memoryBytes() const { return bytes_.capacity() + marks_.capacity() * sizeof(uint64_t); }

private:
    std::string bytes_;
    std::vector<uint64_t> marks_;  // where text 0, 64, 128, ... starts
    size_t count_ = 0;
};

}  // namespace tesselon
