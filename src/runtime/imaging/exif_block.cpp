#include "runtime/imaging/exif_block.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <new>

namespace tesselon {

namespace {

constexpr int kUpright = 1;

// Integer fields the block edits are SHORT or LONG, as the writer chose.
bool readInteger(const ExifEntry* e, ExifByteOrder order, unsigned long* value) {
    if (!e || e->components < 1 || !e->data) return false;
    if (e->format == EXIF_FORMAT_SHORT && e->size >= 2) {
        *value = exif_get_short(e->data, order);
        return true;
    }
    if (e->format == EXIF_FORMAT_LONG && e->size >= 4) {
        *value = exif_get_long(e->data, order);
        return true;
    }
    return false;
}

void writeInteger(ExifEntry* e, ExifByteOrder order, unsigned long value) {
    if (!e || e->components < 1 || !e->data) return;
    if (e->format == EXIF_FORMAT_SHORT && e->size >= 2 && value <= 0xFFFF) {
        exif_set_short(e->data, order, ExifShort(value));
    } else if (e->format == EXIF_FORMAT_LONG && e->size >= 4) {
        exif_set_long(e->data, order, ExifLong(value));
    }
}

// Frees what libexif allocated with the block's allocator.
struct FreeWith {
    ExifMem* mem;
    void operator()(unsigned char* bytes) const { exif_mem_free(mem, bytes); }
};

}  // namespace

void ExifBlock::Release::operator()(ExifData* data) const { exif_data_unref(data); }
void ExifBlock::Release::operator()(ExifMem* mem) const { exif_mem_unref(mem); }

ExifBlock::ExifBlock(std::unique_ptr<ExifMem, Release> mem, std::unique_ptr<ExifData, Release> data)
    : mem_(std::move(mem)), data_(std::move(data)) {}

std::optional<ExifBlock> ExifBlock::parse(std::string_view payload) {
    std::unique_ptr<ExifMem, Release> mem(exif_mem_new_default());
    if (!mem) return std::nullopt;
    std::unique_ptr<ExifData, Release> data(exif_data_new_mem(mem.get()));
    if (!data) return std::nullopt;
    // Keep every field as the camera wrote it: no unknown tags dropped, no fields added
    // or "corrected", the maker note left untouched.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.data()),
                        static_cast<unsigned int>(payload.size()));
    bool any = data->size > 0;
    for (ExifContent* ifd : data->ifd) any = any || (ifd && ifd->count > 0);
    if (!any) return std::nullopt;
    return ExifBlock(std::move(mem), std::move(data));
}

int ExifBlock::orientation() const {
    unsigned long value = 0;
    const ExifEntry* e = exif_content_get_entry(data_->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!readInteger(e, exif_data_get_byte_order(data_.get()), &value) || value < 1 || value > 8) return kUpright;
    return int(value);
}

void ExifBlock::setOrientation(int orientation) {
    writeInteger(exif_content_get_entry(data_->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION),
                 exif_data_get_byte_order(data_.get()), static_cast<unsigned long>(orientation));
}

void ExifBlock::dropThumbnail() {
    if (data_->data) {
        exif_mem_free(mem_.get(), data_->data);
        data_->data = nullptr;
        data_->size = 0;
    }
    ExifContent* ifd1 = data_->ifd[EXIF_IFD_1];
    while (ifd1 && ifd1->count > 0) exif_content_remove_entry(ifd1, ifd1->entries[0]);
}

void ExifBlock::setPixelSize(int width, int height) {
    ExifContent* exif = data_->ifd[EXIF_IFD_EXIF];
    const ExifByteOrder order = exif_data_get_byte_order(data_.get());
    writeInteger(exif_content_get_entry(exif, EXIF_TAG_PIXEL_X_DIMENSION), order, static_cast<unsigned long>(width));
    writeInteger(exif_content_get_entry(exif, EXIF_TAG_PIXEL_Y_DIMENSION), order, static_cast<unsigned long>(height));
}

std::string ExifBlock::serialize() const {
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data_.get(), &bytes, &size);
    if (!bytes) return {};
    std::unique_ptr<unsigned char, FreeWith> owned(bytes, FreeWith{mem_.get()});
    try {
        return std::string(reinterpret_cast<const char*>(bytes), size);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace tesselon
