// The stretchable frame: a small frame bitmap cut into nine pieces that cover a window of any size.
#pragma once

#include <vector>

#include "BlitPiece.h"

const int kFrameSide = 15;    // width of the left and right pieces at 96 DPI
const int kFrameBand = 28;    // height of the top and bottom bands at 96 DPI

// The nine pieces in drawing order (corners copied, edges and centre stretched from one-pixel strips)
// for a window of width x height from a frame bitmap of bmWidth x bmHeight, whose sides and bands are
// side and band pixels (the 96-DPI ones at the bitmap's scale).
std::vector<BlitPiece> PlanStretchFrame(int width, int height, int bmWidth, int bmHeight, int side = kFrameSide,
                                        int band = kFrameBand);
