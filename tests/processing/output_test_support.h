// Images, registries and settings shared by the output tests.
#pragma once

#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "core/records.h"
#include "support/test_paths.h"

// Their own namespace: other test headers of this binary define helpers of the same names.
namespace tesselon::testing::output {

// A 24-bit picture with smooth colour gradients (compresses like a photograph).
inline ImageObject gradientImage(int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = uint8_t(x * 255 / width);
            p[1] = uint8_t(y * 255 / height);
            p[2] = uint8_t((x + y) * 127 / (width + height) + 64);
        }
    }
    return image;
}

// Pixels that no compressor can shrink.
inline ImageObject noiseImage(int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    uint32_t state = 12345;
    for (uint8_t& byte : image.pixels) {
        state = state * 1103515245u + 12345u;
        byte = uint8_t(state >> 23);
    }
    return image;
}

// 32-bit: the left half opaque red, the right half transparent, except the last column,
// which is half-transparent red.
inline ImageObject halfTransparentImage(int width, int height) {
    ImageObject image = *createImage(width, height, 32, 0xFFFFFFFF);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            if (x < width / 2) {
                p[2] = 255;
                p[3] = 255;
            } else if (x == width - 1) {
                p[2] = 255;
                p[3] = 128;
            }
        }
    }
    return image;
}

inline const uint8_t* pixelAt(const ImageObject& image, int x, int y) {
    return image.row(y) + size_t(x) * size_t(image.bytesPerPixel());
}

inline std::string testData(const std::string& name) { return testDataDir() + name; }

// Local source /t/fotos/ into /t/salida/, original format, quality 50.
inline STRProcesosEntorno localEnvironment(const std::string& source, const std::string& destination) {
    STRProcesosEntorno env;
    env.LocalRemoto = "L";
    env.RutaOrigenLocal = source;
    env.RutaImagenesDestino = destination;
    env.FormatoImagen = "original";
    env.CalidadGrabacion = 50;
    return env;
}

}  // namespace tesselon::testing::output
