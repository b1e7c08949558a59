#include "runtime/imaging/palette_quantizer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace tesselon {

namespace {

// The network's fixed-point scales, after Dekker's "Kohonen neural networks for optimal
// colour quantization" (1994).
constexpr int kColourShift = 4;  // colours are held with 4 fraction bits
constexpr int kColourScale = 255 << kColourShift;
constexpr int kCycles = 100;  // learning-rate and radius decrease this often per run
constexpr int kFrequencyShift = 16;
constexpr int kFrequencyOne = 1 << kFrequencyShift;
constexpr int kBiasShift = 10;
constexpr int kBetaShift = 10;
constexpr int kBeta = kFrequencyOne >> kBetaShift;
constexpr int kBetaGamma = kFrequencyOne << (kBiasShift - kBetaShift);
constexpr int kRadiusShift = 6;
constexpr int kRadiusDecrease = 30;  // radius shrinks by 1/30 per cycle
constexpr int kAlphaShift = 10;
constexpr int kInitialAlpha = 1 << kAlphaShift;
constexpr int kRadPowerShift = 8;
constexpr int64_t kAlphaRadBias = int64_t(1) << (kAlphaShift + kRadPowerShift);
// Steps through the pixels; one that does not divide the pixel count visits them in a
// scattered order.
constexpr std::array<int64_t, 4> kSteps = {499, 491, 487, 503};

constexpr double kGamma = 1.8;
constexpr uint64_t kPixelsPerSamplingStep = 262144;
constexpr int kMaxSamplingFactor = 10;

using Neuron = std::array<int, 3>;  // blue, green, red in the learning space

class Network {
public:
    explicit Network(int size) : neurons_(size_t(size)), bias_(size_t(size), 0), frequency_(size_t(size)) {
        for (int i = 0; i < size; ++i) {
            const int v = (i << (kColourShift + 8)) / size;
            neurons_[size_t(i)] = {v, v, v};
            frequency_[size_t(i)] = kFrequencyOne / size;
        }
    }

    // `sample(i)` gives pixel i (0 <= i < pixelCount) in the learning space.
    template <typename Sample>
    void learn(const Sample& sample, int64_t pixelCount, int samplingFactor);
    const std::vector<Neuron>& neurons() const { return neurons_; }

private:
    size_t contest(const Neuron& colour);
    void moveSingle(int alpha, size_t i, const Neuron& colour);
    void moveNeighbours(int radius, size_t i, const Neuron& colour, const std::vector<int>& radPower);

    std::vector<Neuron> neurons_;
    std::vector<int> bias_;
    std::vector<int> frequency_;
};

// The neuron that should learn the colour: the nearest one, handicapped by how often it
// already won so that rarely chosen neurons still find colours of their own.
size_t Network::contest(const Neuron& colour) {
    int bestDistance = INT32_MAX;
    int bestBiasedDistance = INT32_MAX;
    size_t best = 0;
    size_t bestBiased = 0;
    for (size_t i = 0; i < neurons_.size(); ++i) {
        const Neuron& n = neurons_[i];
        const int distance = std::abs(n[0] - colour[0]) + std::abs(n[1] - colour[1]) + std::abs(n[2] - colour[2]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
        const int biased = distance - (bias_[i] >> (kFrequencyShift - kColourShift));
        if (biased < bestBiasedDistance) {
            bestBiasedDistance = biased;
            bestBiased = i;
        }
        const int betaFrequency = frequency_[i] >> kBetaShift;
        frequency_[i] -= betaFrequency;
        bias_[i] += betaFrequency << kBiasShift;
    }
    frequency_[best] += kBeta;
    bias_[best] -= kBetaGamma;
    return bestBiased;
}

void Network::moveSingle(int alpha, size_t i, const Neuron& colour) {
    for (int c = 0; c < 3; ++c) {
        neurons_[i][c] -= int(int64_t(alpha) * (neurons_[i][c] - colour[c]) / kInitialAlpha);
    }
}

void Network::moveNeighbours(int radius, size_t i, const Neuron& colour, const std::vector<int>& radPower) {
    const int64_t size = int64_t(neurons_.size());
    const int64_t low = std::max<int64_t>(int64_t(i) - radius, -1);
    const int64_t high = std::min<int64_t>(int64_t(i) + radius, size);
    int64_t up = int64_t(i) + 1;
    int64_t down = int64_t(i) - 1;
    size_t m = 1;
    auto move = [&](Neuron& n, int64_t strength) {
        for (int c = 0; c < 3; ++c) n[c] -= int(strength * (n[c] - colour[c]) / kAlphaRadBias);
    };
    while (up < high || down > low) {
        const int64_t strength = radPower[m++];
        if (up < high) move(neurons_[size_t(up++)], strength);
        if (down > low) move(neurons_[size_t(down--)], strength);
    }
}

template <typename Sample>
void Network::learn(const Sample& sample, int64_t pixelCount, int samplingFactor) {
    if (pixelCount < kSteps.back()) samplingFactor = 1;
    const int64_t sampleCount = pixelCount / samplingFactor;
    const int alphaDecrease = 30 + (samplingFactor - 1) / 3;
    const int64_t delta = std::max<int64_t>(1, sampleCount / kCycles);
    int alpha = kInitialAlpha;
    int radiusScaled = (int(neurons_.size()) >> 3) << kRadiusShift;
    int radius = 0;
    std::vector<int> radPower(size_t(neurons_.size() >> 3) + 2, 0);
    auto updateRadius = [&] {
        radius = radiusScaled >> kRadiusShift;
        if (radius <= 1) radius = 0;
        for (int i = 0; i < radius; ++i) {
            radPower[size_t(i)] =
                int(int64_t(alpha) * (((int64_t(radius) * radius - int64_t(i) * i) << kRadPowerShift) / (int64_t(radius) * radius)));
        }
    };
    updateRadius();

    int64_t step = 1;
    if (pixelCount >= kSteps.back()) {
        step = kSteps.back();
        for (int64_t candidate : kSteps) {
            if (pixelCount % candidate != 0) {
                step = candidate;
                break;
            }
        }
    }
    int64_t position = 0;
    for (int64_t i = 0; i < sampleCount;) {
        const Neuron colour = sample(position);
        const size_t winner = contest(colour);
        moveSingle(alpha, winner, colour);
        if (radius) moveNeighbours(radius, winner, colour, radPower);
        position = (position + step) % pixelCount;
        ++i;
        if (i % delta == 0) {
            alpha -= alpha / alphaDecrease;
            radiusScaled -= radiusScaled / kRadiusDecrease;
            updateRadius();
        }
    }
}

// Input values to the learning space and back.
struct GammaTables {
    std::array<int, 256> toLearning{};
    GammaTables() {
        for (int v = 0; v < 256; ++v) {
            toLearning[size_t(v)] = int(std::lround(std::pow(v / 255.0, 1.0 / kGamma) * kColourScale));
        }
    }
    static uint8_t fromLearning(int value) {
        const double unit = std::clamp(double(value) / kColourScale, 0.0, 1.0);
        return uint8_t(std::lround(std::pow(unit, kGamma) * 255.0));
    }
};

const GammaTables& gammaTables() {
    static const GammaTables tables;
    return tables;
}

}  // namespace

int samplingFactorFor(uint64_t pixels) {
    return int(std::min<uint64_t>(1 + pixels / kPixelsPerSamplingStep, kMaxSamplingFactor));
}

std::optional<Palette> learnPalette(const PixelRows& rows, int size, int samplingFactor) {
    if (!rows.valid() || size < 2 || size > 256) return std::nullopt;
    samplingFactor = std::clamp(samplingFactor, 1, 30);
    try {
        const GammaTables& gamma = gammaTables();
        auto sample = [&](int64_t i) {
            const uint8_t* p = rows.row(int(i / rows.width)) + size_t(i % rows.width) * size_t(rows.bytesPerPixel);
            return Neuron{gamma.toLearning[p[0]], gamma.toLearning[p[1]], gamma.toLearning[p[2]]};
        };
        Network network(size);
        network.learn(sample, int64_t(rows.width) * rows.height, samplingFactor);
        Palette palette;
        palette.reserve(size_t(size));
        for (const Neuron& n : network.neurons()) {
            palette.push_back({GammaTables::fromLearning(n[2]), GammaTables::fromLearning(n[1]),
                               GammaTables::fromLearning(n[0])});
        }
        return palette;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

Palette blackAndWhitePalette() {
    return {{0, 0, 0}, {255, 255, 255}};
}

NearestColourFinder::NearestColourFinder(const Palette& palette)
    : palette_(palette.begin(), palette.begin() + long(std::min<size_t>(palette.size(), 256))) {
    constexpr int kCellSize = 1 << kCellShift;
    // Squared distance along one axis from v to the nearest and the farthest point of
    // the span [low, low + kCellSize - 1].
    auto nearAxis = [](int v, int low) {
        const int d = v < low ? low - v : v > low + kCellSize - 1 ? v - (low + kCellSize - 1) : 0;
        return d * d;
    };
    auto farAxis = [](int v, int low) {
        const int d = std::max(std::abs(v - low), std::abs(v - (low + kCellSize - 1)));
        return d * d;
    };
    cellStart_.reserve(size_t(kCellsPerAxis) * kCellsPerAxis * kCellsPerAxis + 1);
    for (int r = 0; r < 256; r += kCellSize) {
        for (int g = 0; g < 256; g += kCellSize) {
            for (int b = 0; b < 256; b += kCellSize) {
                cellStart_.push_back(uint32_t(candidates_.size()));
                // An entry can be nearest somewhere in the cell only if its nearest point
                // there is no farther than the entry with the smallest farthest point.
                int bound = INT32_MAX;
                for (const PaletteColour& c : palette_) {
                    bound = std::min(bound, farAxis(c.red, r) + farAxis(c.green, g) + farAxis(c.blue, b));
                }
                for (size_t i = 0; i < palette_.size(); ++i) {
                    const PaletteColour& c = palette_[i];
                    if (nearAxis(c.red, r) + nearAxis(c.green, g) + nearAxis(c.blue, b) <= bound) {
                        candidates_.push_back(uint8_t(i));
                    }
                }
            }
        }
    }
    cellStart_.push_back(uint32_t(candidates_.size()));
}

uint8_t NearestColourFinder::nearest(uint8_t red, uint8_t green, uint8_t blue) const {
    const size_t cell = ((size_t(red >> kCellShift) * kCellsPerAxis) + size_t(green >> kCellShift)) * kCellsPerAxis +
                        size_t(blue >> kCellShift);
    int bestDistance = INT32_MAX;
    uint8_t best = 0;
    // Candidates are in index order, so the first of equally near entries wins.
    for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
        const PaletteColour& c = palette_[candidates_[k]];
        const int dr = c.red - red, dg = c.green - green, db = c.blue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidates_[k];
        }
    }
    return best;
}

std::optional<std::vector<uint8_t>> mapToPalette(const PixelRows& rows, const Palette& palette) {
    if (!rows.valid() || palette.empty() || palette.size() > 256) return std::nullopt;
    try {
        const NearestColourFinder finder(palette);
        std::vector<uint8_t> indices(size_t(rows.width) * size_t(rows.height));
        // Photographs repeat colours locally; a small direct-mapped cache skips most searches.
        constexpr size_t kCacheSize = 4096;
        struct CacheSlot {
            uint32_t colour = UINT32_MAX;  // never a 24-bit colour
            uint8_t index = 0;
        };
        std::vector<CacheSlot> cache(kCacheSize);
        uint8_t* out = indices.data();
        for (int y = 0; y < rows.height; ++y) {
            const uint8_t* p = rows.row(y);
            for (int x = 0; x < rows.width; ++x, p += rows.bytesPerPixel) {
                const uint32_t colour = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
                CacheSlot& slot = cache[(colour * 2654435761u) >> 20];
                if (slot.colour != colour) {
                    slot.colour = colour;
                    slot.index = finder.nearest(p[2], p[1], p[0]);
                }
                *out++ = slot.index;
            }
        }
        return indices;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
