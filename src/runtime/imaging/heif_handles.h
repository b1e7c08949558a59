// Owning handles of libheif's objects, and the library's one-time start.
#pragma once

#include <libheif/heif.h>

#include <memory>

namespace tesselon {

struct HeifRelease {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(const heif_image* image) const { heif_image_release(image); }
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};

template <typename T>
using HeifPtr = std::unique_ptr<T, HeifRelease>;

// Starts libheif once for the process (it loads its codecs then); never stopped.
void startLibheif();

}  // namespace tesselon
