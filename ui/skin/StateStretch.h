// Stretching a button's state image to the button's size by edge replication: the five cases as copy lists.
#pragma once

#include <vector>

#include "BlitPiece.h"

// Which of the five cases applies to an image of w x h on a button of cw x ch.
int StateStretchCase(int w, int h, int cw, int ch, bool exactSize);

// The copies, in drawing order, that put the image at (sx, sy) of the strip onto a cw x ch button.
// Every piece is a plain copy (source size = destination size).
std::vector<BlitPiece> PlanStateStretch(int w, int h, int cw, int ch, int sx, int sy, bool exactSize);

// Origin in the strip of the image for state s (0 normal, 1 hover, 2 pressed, 3 disabled): stacked
// vertically when the strip has one column, else side by side in the top row.
void StateImageOrigin(int state, int frameWidth, int frameHeight, int columns, int* sx, int* sy);
