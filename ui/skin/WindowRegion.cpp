// Region from bitmap: the window region starts as the client rectangle and loses the key-coloured pixels.
#include "WindowRegion.h"

#include "CClientDC.h"
#include "CRgn.h"
#include "CornerScan.h"
#include "CSelectObject.h"

void ApplyCornerRegion(CWnd* pWnd, CBitmap* pBitmap)
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
    CornerScans(bm.bmWidth, bm.bmHeight, rc.right - rc.left, rc.bottom - rc.top, corners);
    {
        CClientDC windowDC(pWnd);
        CDC memDC;
        memDC.CreateCompatibleDC(&windowDC);
        CSelectObject select(&memDC, pBitmap);
        for (const CornerScan& c : corners) {
            for (int x = c.x0; x < c.x0 + kCornerSize; ++x) {
                for (int y = c.y0; y < c.y0 + kCornerSize; ++y) {
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
    // One subtraction per horizontal run of key pixels: the same pixel set as one square per pixel.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width;) {
            if (pImageDC->GetPixel(x, y) != kSkinKeyColor) {
                ++x;
                continue;
            }
            int end = x + 1;
            while (end < width && pImageDC->GetPixel(end, y) == kSkinKeyColor) ++end;
            CRgn run;
            run.CreateRectRgn(x, y, end, y + 1);
            shape.CombineRgn(&shape, &run, RGN_DIFF);
            x = end;
        }
    }
    ::SetWindowRgn(pWnd->m_hWnd, static_cast<HRGN>(shape.Detach()), TRUE);
}
