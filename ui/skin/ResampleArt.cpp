// ResampleArt: area-weighted resampling of each cell, the key colour counted apart from the colours.
#include "ResampleArt.h"

#include <cstddef>

namespace {

const uint32_t kKey = 0x00FF00FF;
// The colour nearest the key that is not the key: what an average that lands on it becomes.
const uint32_t kNearKey = 0x00FE00FF;

// How much of source pixel i, which spans [i * to, (i + 1) * to), lies in [begin, end): pixel j shown spans
// [j * from, (j + 1) * from) in the same units, so every weight is an exact integer and each shown pixel's
// weights add up to `from`.
inline uint32_t Overlap(int i, int to, int begin, int end)
{
    const int lo = i * to > begin ? i * to : begin;
    const int hi = (i + 1) * to < end ? (i + 1) * to : end;
    return static_cast<uint32_t>(hi - lo);
}

// Within this, every product of sizes fits in 31 bits and every weighted sum of a channel in 32.
const int kLargestSide = 4096;

}  // namespace

ArtImage ResampleArt(const ArtImage& source, int nCells, int cellWidth, int cellHeight)
{
    ArtImage out;
    if (nCells < 1 || cellWidth < 1 || cellHeight < 1 || source.width < 1 || source.height < nCells ||
        source.width > kLargestSide || source.height > kLargestSide || cellWidth > kLargestSide ||
        cellHeight > kLargestSide)
        return out;
    const int fromW = source.width, fromH = source.height / nCells;
    out.width = cellWidth;
    out.height = cellHeight * nCells;
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    const uint32_t area = static_cast<uint32_t>(fromW) * static_cast<uint32_t>(fromH);
    for (int cell = 0; cell < nCells; ++cell) {
        const uint32_t* from = &source.pixels[static_cast<std::size_t>(cell) * fromH * fromW];
        uint32_t* to = &out.pixels[static_cast<std::size_t>(cell) * cellHeight * cellWidth];
        for (int y = 0; y < cellHeight; ++y) {
            for (int x = 0; x < cellWidth; ++x) {
                uint32_t key = 0, r = 0, g = 0, b = 0;
                const int top = y * fromH, left = x * fromW;
                for (int sy = top / cellHeight; sy * cellHeight < top + fromH; ++sy) {
                    const uint32_t wy = Overlap(sy, cellHeight, top, top + fromH);
                    for (int sx = left / cellWidth; sx * cellWidth < left + fromW; ++sx) {
                        const uint32_t w = wy * Overlap(sx, cellWidth, left, left + fromW);
                        const uint32_t p = from[static_cast<std::size_t>(sy) * fromW + sx] & 0xFFFFFF;
                        if (p == kKey) {
                            key += w;
                        } else {
                            r += w * (p >> 16);
                            g += w * ((p >> 8) & 0xFF);
                            b += w * (p & 0xFF);
                        }
                    }
                }
                uint32_t shown = kKey;
                if (2 * key <= area) {
                    const uint32_t colour = area - key;
                    shown = static_cast<uint32_t>((r + colour / 2) / colour) << 16 |
                            static_cast<uint32_t>((g + colour / 2) / colour) << 8 |
                            static_cast<uint32_t>((b + colour / 2) / colour);
                    if (shown == kKey) shown = kNearKey;
                }
                to[static_cast<std::size_t>(y) * cellWidth + x] = shown;
            }
        }
    }
    return out;
}
