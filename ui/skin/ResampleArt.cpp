// ResampleArt: area-weighted resampling of each cell, the key colour counted apart from the colours.
#include "ResampleArt.h"

#include <cstddef>

namespace {

const uint32_t kKey = 0x00FF00FF;
// The colour nearest the key that is not the key: what an average that lands on it becomes.
const uint32_t kNearKey = 0x00FE00FF;

struct Tap {
    int index;
    uint32_t weight;
};

// For each of `to` pixels, the source pixels of a row of `from` that it covers and how much of each. Pixel
// i of the source spans [i * to, (i + 1) * to) and pixel j shown spans [j * from, (j + 1) * from), in the
// same units, so every weight is an exact integer and each shown pixel's weights add up to `from`.
std::vector<std::vector<Tap>> Taps(int from, int to)
{
    std::vector<std::vector<Tap>> taps(to);
    for (int j = 0; j < to; ++j) {
        const long long begin = static_cast<long long>(j) * from, end = begin + from;
        for (long long i = begin / to; i * to < end; ++i) {
            const long long lo = i * to > begin ? i * to : begin;
            const long long hi = (i + 1) * to < end ? (i + 1) * to : end;
            taps[j].push_back(Tap{static_cast<int>(i), static_cast<uint32_t>(hi - lo)});
        }
    }
    return taps;
}

}  // namespace

ArtImage ResampleArt(const ArtImage& source, int nCells, int cellWidth, int cellHeight)
{
    ArtImage out;
    if (nCells < 1 || cellWidth < 1 || cellHeight < 1 || source.width < 1 || source.height < nCells) return out;
    const int fromW = source.width, fromH = source.height / nCells;
    out.width = cellWidth;
    out.height = cellHeight * nCells;
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    const auto across = Taps(fromW, cellWidth);
    const auto down = Taps(fromH, cellHeight);
    const unsigned long long area = static_cast<unsigned long long>(fromW) * fromH;
    for (int cell = 0; cell < nCells; ++cell) {
        const uint32_t* from = &source.pixels[static_cast<std::size_t>(cell) * fromH * fromW];
        uint32_t* to = &out.pixels[static_cast<std::size_t>(cell) * cellHeight * cellWidth];
        for (int y = 0; y < cellHeight; ++y) {
            for (int x = 0; x < cellWidth; ++x) {
                unsigned long long key = 0, r = 0, g = 0, b = 0;
                for (const Tap& ty : down[y]) {
                    for (const Tap& tx : across[x]) {
                        const unsigned long long w = static_cast<unsigned long long>(ty.weight) * tx.weight;
                        const uint32_t p = from[static_cast<std::size_t>(ty.index) * fromW + tx.index] & 0xFFFFFF;
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
                    const unsigned long long colour = area - key;
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
