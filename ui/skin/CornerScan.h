// The four corner squares that ApplyCornerRegion examines, and where each lands on the window.
#pragma once

// Corner squares are this many pixels each way at 96 DPI.
const int kCornerSize = 10;

struct CornerScan {
    int x0, y0;          // top-left of the square in the bitmap (may be negative for tiny bitmaps)
    int offsetX, offsetY;  // shift from bitmap to window coordinates
};

// Top-left, top-right, bottom-left, bottom-right, for a bitmap of bmWidth x bmHeight on a client area of
// clientWidth x clientHeight: the right and bottom squares follow the window's own right and bottom edges.
// Squares are cornerSize pixels each way: the 96-DPI size at the scale the bitmap was made for.
void CornerScans(int bmWidth, int bmHeight, int clientWidth, int clientHeight, CornerScan out[4],
                 int cornerSize = kCornerSize);
