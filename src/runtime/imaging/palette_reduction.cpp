#include "runtime/imaging/palette_reduction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <utility>

namespace tesselon {

namespace {

// Below this many distinct colours every colour is a point of its own; above, colours
// share cells of 6 bits per colour channel and 5 of alpha, which keeps a photograph's
// histogram small while a drawing with a few added colours stays exact.
constexpr size_t kExactColourLimit = 1 << 16;
constexpr uint32_t kCellMask = 0xF8FCFCFC;  // alpha, red, green, blue bits a cell keeps
constexpr int kMaxRefinements = 16;
// A larger image is sampled evenly down to about this many pixels: enough to place 256
// colours, and the rest would only cost time.
constexpr uint64_t kHistogramSamples = 1 << 21;

// Pixels packed blue | green << 8 | red << 16 | alpha << 24.
uint32_t packedAt(const uint8_t* p, int bytesPerPixel) {
    const uint32_t alpha = bytesPerPixel == 4 ? p[3] : 255;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | alpha << 24;
}

struct Cell {
    uint32_t key = 0;
    uint32_t count = 0;  // 0: an empty slot
    uint32_t first = 0;  // the first colour seen in the cell
    bool mixed = false;  // other colours fell in it too
    std::array<uint64_t, 4> sums{};  // premultiplied blue, green, red (x 255), alpha
};

// Colour counts in an open-addressing table that grows as it fills.
class Histogram {
public:
    explicit Histogram(uint32_t mask) : mask_(mask), cells_(1 << 12) {}

    // False once more than `limit` cells are in use.
    bool add(uint32_t colour, uint32_t count, size_t limit) {
        // Opaque pixels never share a cell with translucent ones.
        const uint32_t key = (colour & mask_) | (colour >= 0xFF000000u ? 0xFF000000u : 0);
        if ((used_ + 1) * 2 > cells_.size()) grow();
        Cell& cell = find(key);
        if (cell.count == 0) {
            cell.key = key;
            cell.first = colour;
            ++used_;
        }
        addTo(cell, colour, count);
        return used_ <= limit;
    }
    template <typename Visit>
    void forEach(const Visit& visit) const {
        for (const Cell& cell : cells_) {
            if (cell.count) visit(cell);
        }
    }
    size_t size() const { return used_; }

private:
    static void addTo(Cell& cell, uint32_t colour, uint32_t count) {
        const uint64_t alpha = colour >> 24;
        cell.count += count;
        cell.mixed |= colour != cell.first;
        for (int c = 0; c < 3; ++c) cell.sums[size_t(c)] += uint64_t(count) * ((colour >> (8 * c)) & 0xFF) * alpha;
        cell.sums[3] += uint64_t(count) * alpha;
    }
    Cell& find(uint32_t key) {
        const size_t slots = cells_.size() - 1;
        for (size_t i = (key * 2654435761u) & slots;; i = (i + 1) & slots) {
            if (cells_[i].count == 0 || cells_[i].key == key) return cells_[i];
        }
    }
    void grow() {
        std::vector<Cell> old(cells_.size() * 2);
        old.swap(cells_);
        for (const Cell& cell : old) {
            if (cell.count) find(cell.key) = cell;
        }
    }

    uint32_t mask_;
    std::vector<Cell> cells_;
    size_t used_ = 0;
};

// A run of equal pixels costs one look-up: flat areas are most of a drawing.
bool fillHistogram(const PixelRows& rows, Histogram& histogram, size_t limit) {
    const uint64_t pixels = uint64_t(rows.width) * uint64_t(rows.height);
    if (pixels > kHistogramSamples) {
        // A step that is not a multiple of the width visits the columns in turn.
        uint64_t step = pixels / kHistogramSamples + 1;
        if (step % uint64_t(rows.width) == 0) ++step;
        for (uint64_t i = 0; i < pixels; i += step) {
            const uint32_t colour = packedAt(rows.row(int(i / uint64_t(rows.width))) +
                                                 size_t(i % uint64_t(rows.width)) * size_t(rows.bytesPerPixel),
                                             rows.bytesPerPixel);
            if (colour >> 24 != 0 && !histogram.add(colour, 1, limit)) return false;
        }
        return true;
    }
    uint32_t run = 0;
    uint32_t runLength = 0;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* p = rows.row(y);
        for (int x = 0; x < rows.width; ++x, p += rows.bytesPerPixel) {
            const uint32_t colour = packedAt(p, rows.bytesPerPixel);
            if (colour >> 24 == 0) continue;
            if (colour == run && runLength < UINT32_MAX) {
                ++runLength;
                continue;
            }
            if (runLength && !histogram.add(run, runLength, limit)) return false;
            run = colour;
            runLength = 1;
        }
    }
    return !runLength || histogram.add(run, runLength, limit);
}

struct Point {
    PremultipliedColour colour{};
    double weight = 0;
    uint32_t exact = 0;  // the packed colour, when the point stands for one colour only
    bool pure = false;
    bool opaque = false;
};

std::vector<Point> pointsOf(const Histogram& histogram) {
    std::vector<Point> points;
    points.reserve(histogram.size());
    histogram.forEach([&](const Cell& cell) {
        Point point;
        point.weight = cell.count;
        for (int c = 0; c < 3; ++c) point.colour[size_t(c)] = float(double(cell.sums[size_t(c)]) / (255.0 * cell.count));
        point.colour[3] = float(double(cell.sums[3]) / cell.count);
        point.exact = cell.first;
        point.pure = !cell.mixed;
        point.opaque = cell.key >> 24 == 0xFF;
        points.push_back(point);
    });
    // The table's order depends on its growth; sorting makes the result depend on the
    // colours alone. Translucent points come first.
    std::sort(points.begin(), points.end(), [](const Point& a, const Point& b) {
        return a.opaque != b.opaque ? b.opaque : a.exact < b.exact;
    });
    return points;
}

// Weight, weighted sum and weighted sum of squares of some points.
struct Moments {
    double weight = 0;
    std::array<double, 4> sum{};
    double squares = 0;

    void add(const Point& p) {
        weight += p.weight;
        for (size_t c = 0; c < 4; ++c) {
            sum[c] += p.weight * p.colour[c];
            squares += p.weight * double(p.colour[c]) * p.colour[c];
        }
    }
    Moments minus(const Moments& other) const {
        Moments m;
        m.weight = weight - other.weight;
        for (size_t c = 0; c < 4; ++c) m.sum[c] = sum[c] - other.sum[c];
        m.squares = squares - other.squares;
        return m;
    }
    // The squared error of the points around their mean.
    double error() const {
        if (weight <= 0) return 0;
        double norm = 0;
        for (double s : sum) norm += s * s;
        return std::max(0.0, squares - norm / weight);
    }
    PremultipliedColour mean() const {
        PremultipliedColour m{};
        for (size_t c = 0; c < 4; ++c) m[c] = float(sum[c] / weight);
        return m;
    }
};

struct Box {
    size_t begin = 0;
    size_t end = 0;
    Moments moments;
};

Moments momentsOf(const std::vector<Point>& points, size_t begin, size_t end) {
    Moments m;
    for (size_t i = begin; i < end; ++i) m.add(points[i]);
    return m;
}

// Cuts the box across its widest axis where the two halves' errors add up least.
std::pair<Box, Box> split(std::vector<Point>& points, const Box& box) {
    std::array<double, 4> spread{};
    const PremultipliedColour mean = box.moments.mean();
    for (size_t i = box.begin; i < box.end; ++i) {
        for (size_t c = 0; c < 4; ++c) {
            const double d = points[i].colour[c] - mean[c];
            spread[c] += points[i].weight * d * d;
        }
    }
    const size_t axis = size_t(std::max_element(spread.begin(), spread.end()) - spread.begin());
    std::sort(points.begin() + long(box.begin), points.begin() + long(box.end), [axis](const Point& a, const Point& b) {
        return a.colour[axis] < b.colour[axis] || (a.colour[axis] == b.colour[axis] && a.exact < b.exact);
    });
    Moments left;
    Moments bestLeft;
    size_t bestCut = box.begin + 1;
    double bestError = -1;
    for (size_t cut = box.begin + 1; cut < box.end; ++cut) {
        left.add(points[cut - 1]);
        const double error = left.error() + box.moments.minus(left).error();
        if (bestError < 0 || error < bestError) {
            bestError = error;
            bestCut = cut;
            bestLeft = left;
        }
    }
    return {Box{box.begin, bestCut, bestLeft}, Box{bestCut, box.end, box.moments.minus(bestLeft)}};
}

// Opaque and translucent points start in boxes of their own when there is room for both.
std::vector<PremultipliedColour> medianCut(std::vector<Point>& points, int size) {
    const size_t translucent = size_t(std::find_if(points.begin(), points.end(), [](const Point& p) { return p.opaque; }) -
                                      points.begin());
    std::vector<Box> boxes;
    if (size >= 2 && translucent > 0 && translucent < points.size()) {
        boxes.push_back(Box{0, translucent, momentsOf(points, 0, translucent)});
        boxes.push_back(Box{translucent, points.size(), momentsOf(points, translucent, points.size())});
    } else {
        boxes.push_back(Box{0, points.size(), momentsOf(points, 0, points.size())});
    }
    while (int(boxes.size()) < size) {
        size_t widest = boxes.size();
        double widestError = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const double error = boxes[i].end - boxes[i].begin >= 2 ? boxes[i].moments.error() : 0;
            if (error > widestError) {
                widestError = error;
                widest = i;
            }
        }
        if (widest == boxes.size()) break;
        auto [a, b] = split(points, boxes[widest]);
        boxes[widest] = a;
        boxes.push_back(b);
    }
    std::vector<PremultipliedColour> centres;
    for (const Box& box : boxes) centres.push_back(box.moments.mean());
    return centres;
}

float distance(const PremultipliedColour& a, const PremultipliedColour& b) {
    float d = 0;
    for (size_t c = 0; c < 4; ++c) d += (a[c] - b[c]) * (a[c] - b[c]);
    return d;
}

// Lloyd's iterations: each point to its nearest centre, each centre to the mean of its
// points, until no point changes sides. A centre left without points moves to the point
// worst served. Then a centre that stands mostly for one exact colour takes it.
std::vector<PremultipliedColour> refine(const std::vector<Point>& points, std::vector<PremultipliedColour> centres,
                                        std::vector<uint32_t>& exact) {
    const size_t k = centres.size();
    std::vector<uint16_t> owner(points.size(), UINT16_MAX);
    std::vector<Moments> clusters(k);
    for (int round = 0; round < kMaxRefinements; ++round) {
        const PaletteFinder finder(centres);
        std::fill(clusters.begin(), clusters.end(), Moments{});
        bool changed = false;
        size_t worst = 0;
        double worstError = -1;
        for (size_t i = 0; i < points.size(); ++i) {
            const size_t nearest = finder.nearest(points[i].colour);
            changed |= owner[i] != nearest;
            owner[i] = uint16_t(nearest);
            clusters[nearest].add(points[i]);
            const double error = points[i].weight * distance(points[i].colour, centres[nearest]);
            if (error > worstError) {
                worstError = error;
                worst = i;
            }
        }
        for (size_t c = 0; c < k; ++c) {
            if (clusters[c].weight > 0) {
                centres[c] = clusters[c].mean();
            } else {
                centres[c] = points[worst].colour;
                changed = true;
            }
        }
        if (!changed) break;
    }
    exact.assign(k, 0);
    std::vector<double> heaviest(k, 0);
    for (size_t i = 0; i < points.size(); ++i) {
        const size_t c = owner[i];
        if (c >= k || !points[i].pure || points[i].weight <= heaviest[c]) continue;
        heaviest[c] = points[i].weight;
        if (points[i].weight * 2 >= clusters[c].weight) exact[c] = points[i].exact;
    }
    return centres;
}

uint8_t toByte(double value) { return uint8_t(std::clamp(std::lround(value), 0L, 255L)); }

PaletteColour entryOf(const PremultipliedColour& centre, uint32_t exact) {
    if (exact) {
        return {uint8_t(exact >> 16), uint8_t(exact >> 8), uint8_t(exact), uint8_t(exact >> 24)};
    }
    // A centre of translucent pixels stays translucent; one of opaque pixels has alpha 255.
    const double alpha = std::clamp(double(centre[3]), 1.0, 255.0);
    const uint8_t a = alpha == 255.0 ? 255 : std::clamp<uint8_t>(toByte(alpha), 1, 254);
    return {toByte(centre[2] * 255.0 / alpha), toByte(centre[1] * 255.0 / alpha), toByte(centre[0] * 255.0 / alpha), a};
}

}  // namespace

PremultipliedColour premultiplied(uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha) {
    const float a = alpha / 255.0f;
    return {blue * a, green * a, red * a, float(alpha)};
}

PaletteFinder::PaletteFinder(const std::vector<PremultipliedColour>& colours) {
    for (size_t i = 0; i < colours.size(); ++i) groups_[colours[i][3] == 255.0f].index.push_back(i);
    for (Group& group : groups_) {
        std::array<float, 4> low{255, 255, 255, 255};
        std::array<float, 4> high{};
        for (size_t i : group.index) {
            for (size_t c = 0; c < 4; ++c) {
                low[c] = std::min(low[c], colours[i][c]);
                high[c] = std::max(high[c], colours[i][c]);
            }
        }
        for (int c = 0; c < 4; ++c) {
            if (high[size_t(c)] - low[size_t(c)] > high[size_t(group.axis)] - low[size_t(group.axis)]) group.axis = c;
        }
        const size_t axis = size_t(group.axis);
        std::stable_sort(group.index.begin(), group.index.end(),
                         [&](size_t a, size_t b) { return colours[a][axis] < colours[b][axis]; });
        for (size_t i : group.index) group.sorted.push_back(colours[i]);
    }
}

PaletteFinder::PaletteFinder(const Palette& palette)
    : PaletteFinder([&] {
          std::vector<PremultipliedColour> colours;
          colours.reserve(palette.size());
          for (const PaletteColour& c : palette) colours.push_back(premultiplied(c.blue, c.green, c.red, c.alpha));
          return colours;
      }()) {}

size_t PaletteFinder::nearest(const PremultipliedColour& colour) const {
    const Group& own = groups_[colour[3] == 255.0f];
    return own.sorted.empty() ? groups_[colour[3] != 255.0f].nearest(colour) : own.nearest(colour);
}

size_t PaletteFinder::Group::nearest(const PremultipliedColour& colour) const {
    const size_t a = size_t(axis);
    const size_t start = size_t(
        std::lower_bound(sorted.begin(), sorted.end(), colour[a],
                         [a](const PremultipliedColour& c, float v) { return c[a] < v; }) -
        sorted.begin());
    float best = INFINITY;
    size_t bestIndex = 0;
    auto consider = [&](size_t i) {
        const float d = distance(sorted[i], colour);
        if (d < best || (d == best && index[i] < bestIndex)) {
            best = d;
            bestIndex = index[i];
        }
    };
    size_t up = start;
    size_t down = start;
    while (up < sorted.size() || down > 0) {
        if (up < sorted.size()) {
            const float gap = sorted[up][a] - colour[a];
            if (gap * gap <= best) {
                consider(up++);
            } else {
                up = sorted.size();
            }
        }
        if (down > 0) {
            const float gap = colour[a] - sorted[down - 1][a];
            if (gap * gap <= best) {
                consider(--down);
            } else {
                down = 0;
            }
        }
    }
    return bestIndex;
}

std::optional<Palette> reducePalette(const PixelRows& rows, int size) {
    if (!rows.valid() || size < 1 || size > 256) return std::nullopt;
    try {
        std::optional<Histogram> histogram(std::in_place, 0xFFFFFFFF);
        if (!fillHistogram(rows, *histogram, kExactColourLimit)) {
            histogram.emplace(kCellMask);
            fillHistogram(rows, *histogram, SIZE_MAX);
        }
        std::vector<Point> points = pointsOf(*histogram);
        histogram.reset();
        if (points.empty()) return std::nullopt;
        std::vector<uint32_t> exact;
        const std::vector<PremultipliedColour> centres = refine(points, medianCut(points, size), exact);
        Palette palette;
        palette.reserve(centres.size());
        for (size_t i = 0; i < centres.size(); ++i) palette.push_back(entryOf(centres[i], exact[i]));
        return palette;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
