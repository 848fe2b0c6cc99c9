// SkinArt: the drawing chosen for a resolution, read as 32-bit pixels, resampled per cell, made a bitmap again.
#include "SkinArt.h"

#include "ResampleArt.h"
#include "TopDownDib.h"

namespace {

// A device-dependent bitmap of the screen's format, as LoadBitmap makes them: what the region scans and
// colour-keyed copies of the skin read back.
BOOL MakeBitmap(CBitmap& bitmap, const ArtImage& image)
{
    BITMAPINFO bi = TopDownDib32(image.width, image.height);
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, image.width, image.height);
    if (hBitmap &&
        ::SetDIBits(hScreen, hBitmap, 0, image.height, image.pixels.data(), &bi, DIB_RGB_COLORS) != image.height) {
        ::DeleteObject(hBitmap);
        hBitmap = nullptr;
    }
    ::ReleaseDC(nullptr, hScreen);
    return bitmap.Attach(hBitmap);
}

ArtImage ReadPixels(const CBitmap& bitmap)
{
    ArtImage image;
    BITMAP bm = {};
    if (!bitmap.GetBitmap(&bm) || bm.bmWidth < 1 || bm.bmHeight < 1) return image;
    BITMAPINFO bi = TopDownDib32(bm.bmWidth, bm.bmHeight);
    image.pixels.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC hScreen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(hScreen, bitmap, 0, bm.bmHeight, image.pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hScreen);
    if (rows == bm.bmHeight) {
        image.width = bm.bmWidth;
        image.height = bm.bmHeight;
    } else {
        image.pixels.clear();
    }
    return image;
}

}  // namespace

BOOL LoadSkinArt(CBitmap& bitmap, UINT nID, int nCells, const DpiScale& scale)
{
    if (bitmap.m_hObject || nCells < 1) return FALSE;
    const int wanted = scale.ArtDpi();
    int index = DpiScale::kArtDpiCount - 1;
    while (index > 0 && DpiScale::kArtDpis[index] > wanted) --index;
    CBitmap drawn;
    while (!drawn.LoadBitmap(nID + kSkinArtIdStep * index) && index > 0) --index;
    const int drawnDpi = DpiScale::kArtDpis[index];
    if (!drawn.m_hObject) return FALSE;
    if (drawnDpi == scale.Dpi()) return bitmap.Attach(drawn.Detach());

    const ArtImage image = ReadPixels(drawn);
    if (image.pixels.empty()) return FALSE;
    // Every drawing is its 96-DPI cells at exactly its resolution's multiple.
    const int cellWidth = image.width * DpiScale::kBaseDpi / drawnDpi;
    const int cellHeight = image.height / nCells * DpiScale::kBaseDpi / drawnDpi;
    return MakeBitmap(bitmap, ResampleArt(image, nCells, scale.Px(cellWidth), scale.Px(cellHeight)));
}
