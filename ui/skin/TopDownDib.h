// The format the skin code reads and writes pixels in: 32 bits per pixel, rows from the top, 0x00RRGGBB.
#pragma once

#include <windows.h>

inline BITMAPINFO TopDownDib32(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}
