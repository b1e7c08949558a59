// An EXIF block read and rewritten through libexif: the fields the output stage
// changes (orientation, pixel size, thumbnail) are edited in place, everything else is
// written back as it was read.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

typedef struct _ExifData ExifData;
typedef struct _ExifMem ExifMem;

namespace tesselon {

class ExifBlock {
public:
    // Parses a JPEG APP1 payload ("Exif\0\0" and the TIFF structure); nothing when
    // libexif finds no EXIF in it.
    static std::optional<ExifBlock> parse(std::string_view payload);

    // The orientation tag, 1 to 8; 1 when it is missing or holds anything else.
    int orientation() const;
    // Sets an existing orientation tag; a block without one stays as it is.
    void setOrientation(int orientation);
    // Removes the thumbnail with the directory that describes it.
    void dropThumbnail();
    // Sets the pixel width and height fields, where the block has them.
    void setPixelSize(int width, int height);

    // The APP1 payload again; empty when libexif cannot write it.
    std::string serialize() const;

private:
    struct Release {
        void operator()(ExifData* data) const;
        void operator()(ExifMem* mem) const;
    };
    ExifBlock(std::unique_ptr<ExifMem, Release> mem, std::unique_ptr<ExifData, Release> data);

    std::unique_ptr<ExifMem, Release> mem_;  // the allocator behind data_ and the thumbnail
    std::unique_ptr<ExifData, Release> data_;
};

}  // namespace tesselon
