#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "processing/filters/turned_copy.h"

namespace tesselon {
namespace {

// A source of `rows` rows of `columns` three- or four-byte pixels, and a result of
// `count` rows of `width` three-byte pixels filled with a marker, so that a pixel
// written where no run reaches shows.
struct Copying {
    int columns, rows, step, count, width;
    std::vector<uint8_t> source, result, expected;
    std::vector<TurnedRun> runs;
};

// Result row r is source column `column(r)` read down (or up) from source row `top(r)`:
// a quarter turn either way, with rows that start and end apart.
Copying quarterTurn(int step, bool clockwise, bool ragged, unsigned seed) {
    Copying c{40, 37, step, 21, 33, {}, {}, {}, {}};
    std::mt19937 random(seed);
    c.source.resize(size_t(c.columns) * size_t(c.rows) * size_t(step));
    for (uint8_t& byte : c.source) byte = uint8_t(random());
    c.result.assign(size_t(c.count) * size_t(c.width) * 3, 0xEE);
    c.expected = c.result;
    const ptrdiff_t pitch = ptrdiff_t(c.columns) * step;
    const ptrdiff_t stride = clockwise ? pitch : -pitch;
    for (int r = 0; r < c.count; ++r) {
        const int column = clockwise ? 5 + r : 30 - r;
        const int first = ragged ? int(random() % 4) : 1;
        const int end = c.width - (ragged ? int(random() % 4) : 1);
        const int startRow = clockwise ? 2 : 34;
        uint8_t* out = c.result.data() + size_t(r) * size_t(c.width) * 3;
        const uint8_t* in =
            c.source.data() + ptrdiff_t(startRow) * pitch + stride * first + ptrdiff_t(column) * step;
        c.runs.push_back(TurnedRun{out, in, first, end});
        for (int k = first; k < end; ++k)
            std::memcpy(c.expected.data() + (size_t(r) * size_t(c.width) + size_t(k)) * 3,
                        in + stride * (k - first), 3);
    }
    copyTurnedRuns(c.runs.data(), c.count, stride);
    return c;
}

// Each pixel of each run is its source pixel, and nothing beyond the runs is touched:
// both turns, three- and four-byte sources, rows that share their ends and rows that
// do not, and a number of rows that leaves a strip short.
TEST(FiltersTurnedCopy, CopiesEveryRunAndNothingElse) {
    unsigned seed = 1;
    for (int step : {3, 4})
        for (bool clockwise : {true, false})
            for (bool ragged : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "step " << step << (clockwise ? " clockwise" : " anticlockwise")
                                                  << (ragged ? " ragged" : " even"));
                const Copying c = quarterTurn(step, clockwise, ragged, seed++);
                EXPECT_EQ(c.result, c.expected);
            }
}

// A half turn: each result row is one source row read backwards.
TEST(FiltersTurnedCopy, HalfTurnCopiesEveryRow) {
    const int width = 29, count = 11;
    std::vector<uint8_t> source(size_t(width) * size_t(count) * 3);
    std::mt19937 random(9);
    for (uint8_t& byte : source) byte = uint8_t(random());
    std::vector<uint8_t> result(source.size(), 0), expected(source.size(), 0);
    std::vector<TurnedRun> runs;
    for (int r = 0; r < count; ++r) {
        const uint8_t* in = source.data() + (size_t(count - 1 - r) * size_t(width) + size_t(width - 1)) * 3;
        runs.push_back(TurnedRun{result.data() + size_t(r) * size_t(width) * 3, in, 0, width});
        for (int k = 0; k < width; ++k)
            std::memcpy(expected.data() + (size_t(r) * size_t(width) + size_t(k)) * 3, in - ptrdiff_t(k) * 3, 3);
    }
    copyTurnedRuns(runs.data(), count, -3);
    EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace tesselon
