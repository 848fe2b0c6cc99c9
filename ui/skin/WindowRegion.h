// Window shapes cut from skin images: key-coloured pixels are left out of the window's region.
#pragma once

#include <windows.h>

#include "CBitmap.h"
#include "CDC.h"
#include "CWnd.h"
#include "DpiScale.h"

// The transparent key colour of every skin image.
const COLORREF kSkinKeyColor = RGB(255, 0, 255);

// Cuts the key-coloured pixels of the four 10 x 10 corners of pBitmap out of pWnd's client rectangle,
// each bitmap corner mapped onto the matching window corner; pixels elsewhere are never cut. The squares
// grow with the scale the bitmap was made for, as its rounded corners do.
void ApplyCornerRegion(CWnd* pWnd, CBitmap* pBitmap, const DpiScale& scale = DpiScale());

// Cuts every key-coloured pixel of the image held at the origin of pImageDC, over the size of rect.
void ApplyImageRegion(CWnd* pWnd, CDC* pImageDC, const RECT& rect);
