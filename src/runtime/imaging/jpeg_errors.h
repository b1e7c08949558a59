// libjpeg error handling shared by the JPEG decoder and encoder: errors longjmp back to
// the function that armed the jump buffer, messages are dropped.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tesselon {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

inline void jpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

inline void jpegOutputMessage(j_common_ptr) {}

// Returns the base to store in the codec struct's err field.
inline jpeg_error_mgr* initJpegErrors(JpegErrorManager& manager) {
    jpeg_std_error(&manager.base);
    manager.base.error_exit = jpegErrorExit;
    manager.base.output_message = jpegOutputMessage;
    return &manager.base;
}

}  // namespace tesselon
