// Region from bitmap: the window region starts as the client rectangle and loses the key-coloured pixels.
#include "WindowRegion.h"

#include <vector>

#include "CClientDC.h"
#include "CRgn.h"
#include "CornerScan.h"
#include "CSelectObject.h"
#include "TopDownDib.h"

void ApplyCornerRegion(CWnd* pWnd, CBitmap* pBitmap, const DpiScale& scale)
{
    CRgn work;
    work.CreateRectRgn(0, 0, 0, 0);
    RECT rc;
    pWnd->GetClientRect(&rc);
    CRgn shape;
    shape.CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom);

    BITMAP bm = {};
    pBitmap->GetBitmap(&bm);
    CornerScan corners[4];
    const int size = scale.Px(kCornerSize);
    CornerScans(bm.bmWidth, bm.bmHeight, rc.right - rc.left, rc.bottom - rc.top, corners, size);
    {
        CClientDC windowDC(pWnd);
        CDC memDC;
        memDC.CreateCompatibleDC(&windowDC);
        CSelectObject select(&memDC, pBitmap);
        for (const CornerScan& c : corners) {
            for (int x = c.x0; x < c.x0 + size; ++x) {
                for (int y = c.y0; y < c.y0 + size; ++y) {
                    // Outside the bitmap GetPixel gives CLR_INVALID, which is never the key colour.
                    if (memDC.GetPixel(x, y) != kSkinKeyColor) continue;
                    work.SetRectRgn(x, y, x + 1, y + 1);
                    work.OffsetRgn(c.offsetX, c.offsetY);
                    shape.CombineRgn(&shape, &work, RGN_DIFF);
                }
            }
        }
    }
    // From here the region belongs to the window system.
    ::SetWindowRgn(pWnd->m_hWnd, static_cast<HRGN>(shape.Detach()), TRUE);
}

void ApplyImageRegion(CWnd* pWnd, CDC* pImageDC, const RECT& rect)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    CRgn shape;
    shape.CreateRectRgn(0, 0, width, height);
    if (width > 0 && height > 0) {
        // The image is read in one call rather than pixel by pixel, as 32-bit top-down rows; its colours
        // are the ones GetPixel would give.
        BITMAPINFO bi = TopDownDib32(width, height);
        std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
        HBITMAP hImage = static_cast<HBITMAP>(::GetCurrentObject(pImageDC->m_hDC, OBJ_BITMAP));
        const int rows = ::GetDIBits(pImageDC->m_hDC, hImage, 0, height, pixels.data(), &bi, DIB_RGB_COLORS);
        // DIB pixels are 0x00RRGGBB; the key colour is the same in both byte orders.
        const auto isKey = [&](int x, int y) {
            return (pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF) == 0xFF00FF;
        };
        // One subtraction per horizontal run of key pixels: the same pixel set as one square per pixel.
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < width;) {
                if (!isKey(x, y)) {
                    ++x;
                    continue;
                }
                int end = x + 1;
                while (end < width && isKey(end, y)) ++end;
                CRgn run;
                run.CreateRectRgn(x, y, end, y + 1);
                shape.CombineRgn(&shape, &run, RGN_DIFF);
                x = end;
            }
        }
    }
    ::SetWindowRgn(pWnd->m_hWnd, static_cast<HRGN>(shape.Detach()), TRUE);
}
