// The five stretch cases of a state image: pieces copied whole, edges and centre replicated one pixel wide.
#include "StateStretch.h"

namespace {

void Copy(std::vector<BlitPiece>& out, int dx, int dy, int w, int h, int sx, int sy)
{
    out.push_back({dx, dy, w, h, sx, sy, w, h});
}

// One copy per destination column x in [from, to), each one pixel wide.
void Columns(std::vector<BlitPiece>& out, int from, int to, int dy, int h, int sx, int sy)
{
    for (int x = from; x < to; ++x) Copy(out, x, dy, 1, h, sx, sy);
}

// One copy per destination row y in [from, to), each one pixel high.
void Rows(std::vector<BlitPiece>& out, int from, int to, int dx, int w, int sx, int sy)
{
    for (int y = from; y < to; ++y) Copy(out, dx, y, w, 1, sx, sy);
}

}  // namespace

int StateStretchCase(int w, int h, int cw, int ch, bool exactSize)
{
    if (exactSize || (w == cw && h == ch)) return 1;
    if (w < cw && h < ch) return 2;
    if (w < cw) return 3;
    if (h < ch) return 4;
    return 5;
}

std::vector<BlitPiece> PlanStateStretch(int w, int h, int cw, int ch, int sx, int sy, bool exactSize)
{
    std::vector<BlitPiece> out;
    const int hw = w / 2, hh = h / 2, lw = cw / 2, th = ch / 2;
    const int mx = sx + (w - 1) / 2, my = sy + (h - 1) / 2;
    const int bh = ch - th, by = sy + h - bh;  // bottom half of a cropped height
    const int rw = cw - lw, rx = sx + w - rw;  // right half of a cropped width
    switch (StateStretchCase(w, h, cw, ch, exactSize)) {
    case 1:
        Copy(out, 0, 0, cw, ch, sx, sy);
        break;
    case 2:
        Copy(out, 0, 0, hw, hh, sx, sy);
        Columns(out, hw, cw - hw, 0, hh, mx, sy);
        Copy(out, cw - hw, 0, hw, hh, sx + hw, sy);
        Rows(out, hh, ch - hh, 0, hw, sx, my);
        for (int x = hw; x < cw - hw; ++x) Rows(out, hh, ch - hh, x, 1, mx, my);
        Rows(out, hh, ch - hh, cw - hw, hw, sx + hw, my);
        Copy(out, 0, ch - hh, hw, hh, sx, sy + hh);
        Columns(out, hw, cw - hw, ch - hh, hh, mx, sy + hh);
        Copy(out, cw - hw, ch - hh, hw, hh, sx + hw, sy + hh);
        break;
    case 3:
        Copy(out, 0, 0, hw, th, sx, sy);
        Columns(out, hw, cw - hw, 0, th, mx, sy);
        Copy(out, cw - hw, 0, hw, th, sx + hw, sy);
        Copy(out, 0, th, hw, bh, sx, by);
        Columns(out, hw, cw - hw, th, bh, mx, by);
        Copy(out, cw - hw, th, hw, bh, sx + hw, by);
        break;
    case 4:
        Copy(out, 0, 0, lw, hh, sx, sy);
        Rows(out, hh, ch - hh, 0, lw, sx, my);
        Copy(out, 0, ch - hh, lw, hh, sx, sy + hh);
        Copy(out, lw, 0, rw, hh, rx, sy);
        Rows(out, hh, ch - hh, lw, rw, rx, my);
        Copy(out, lw, ch - hh, rw, hh, rx, sy + hh);
        break;
    default:
        Copy(out, 0, 0, lw, th, sx, sy);
        Copy(out, lw, 0, rw, th, rx, sy);
        Copy(out, 0, th, lw, bh, sx, by);
        Copy(out, lw, th, rw, bh, rx, by);
        break;
    }
    return out;
}

void StateImageOrigin(int state, int frameWidth, int frameHeight, int columns, int* sx, int* sy)
{
    *sx = columns == 1 ? 0 : state * frameWidth;
    *sy = columns == 1 ? state * frameHeight : 0;
}
