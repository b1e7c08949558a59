// The box structure that HEIF and AVIF files share (ISO base media file format): the
// brands of the file type box, and the image sizes the item properties declare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace tesselon {

class ByteReader;
struct DeclaredImage;

// Whether the data starts with a file type box that names one of the brands as its major
// brand or among the compatible brands within the bytes given.
bool fileTypeHasBrand(const uint8_t* data, size_t size, std::initializer_list<std::string_view> brands);

// The largest image spatial extent ('ispe') among the item properties: the primary image
// is never larger (its tiles and thumbnails are smaller), and a rotation keeps the pixel
// count. The size stays unknown when there is none. `bytesPerPixel` is what the decoder
// holds per pixel besides the image: coded planes, their conversion, the codec's frames.
void declareIsoImage(ByteReader& reader, DeclaredImage& declared, uint64_t bytesPerPixel);

}  // namespace tesselon
