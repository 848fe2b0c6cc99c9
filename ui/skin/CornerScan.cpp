// Corner squares of a dialog background and their offsets onto a window of another size.
#include "CornerScan.h"

void CornerScans(int bmWidth, int bmHeight, int clientWidth, int clientHeight, CornerScan out[4], int cornerSize)
{
    const int right = bmWidth - cornerSize, bottom = bmHeight - cornerSize;
    const int dx = clientWidth - bmWidth, dy = clientHeight - bmHeight;
    out[0] = {0, 0, 0, 0};
    out[1] = {right, 0, dx, 0};
    out[2] = {0, bottom, 0, dy};
    out[3] = {right, bottom, dx, dy};
}
