// Nine-piece frame: corners 15 x 28 copied as they are, the rest stretched from one pixel column or row.
#include "StretchFrame.h"

std::vector<BlitPiece> PlanStretchFrame(int W, int H, int w, int h, int side, int band)
{
    const int S = side, B = band;
    const int midW = W - 2 * S;
    // The middle band is one row too high; the bottom band, drawn after it, covers its last row.
    const int midH = H - 2 * B + 1;
    return {
        {0, 0, S, B, 0, 0, S, B},
        {S, 0, midW, B, S, 0, 1, B},
        {W - S, 0, S, B, w - S, 0, S, B},
        {0, B, S, midH, 0, B, S, 1},
        {S, B, midW, midH, S, B, 1, 1},
        {W - S, B, S, midH, w - S, B, S, 1},
        {0, H - B, S, B, 0, h - B, S, B},
        {S, H - B, midW, B, S, h - B, 1, B},
        {W - S, H - B, S, B, w - S, h - B, S, B},
    };
}
