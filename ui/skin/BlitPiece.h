// BlitPiece: one rectangle copy from a source image to a destination, as planned by the skin layouts.
#pragma once

struct BlitPiece {
    int dx, dy, dw, dh;  // destination rectangle
    int sx, sy, sw, sh;  // source rectangle; equal size to the destination for a plain copy
    bool operator==(const BlitPiece& o) const
    {
        return dx == o.dx && dy == o.dy && dw == o.dw && dh == o.dh && sx == o.sx && sy == o.sy && sw == o.sw &&
               sh == o.sh;
    }
};
