// Benchmark: a button's window region from one read of its image and runs of key pixels, against a
// GetPixel and a 1 x 1 square per key pixel.
// Usage: skin_region_bench [CALLS]; CALLS per batch in every comparison instead of its own count (a short run).
// Prints the time per region and the ratio; make bench-skin runs it under Wine.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "CClientDC.h"
#include "CRgn.h"
#include "CSelectObject.h"
#include "SkinTestSupport.h"
#include "WindowRegion.h"

namespace {

// The reference: every key pixel subtracted as its own 1 x 1 square.
void PerPixelRegion(HWND hWnd, CDC* pImage, int width, int height)
{
    HRGN shape = ::CreateRectRgn(0, 0, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pImage->GetPixel(x, y) == kSkinKeyColor) {
                HRGN pixel = ::CreateRectRgn(x, y, x + 1, y + 1);
                ::CombineRgn(shape, shape, pixel, RGN_DIFF);
                ::DeleteObject(pixel);
            }
    ::SetWindowRgn(hWnd, shape, TRUE);
}

// The best of five batches, so that other work on a shared machine weighs less.
double MicrosecondsPerCall(const std::function<void()>& call, int count)
{
    LARGE_INTEGER f, a, b;
    ::QueryPerformanceFrequency(&f);
    double best = 1e300;
    for (int batch = 0; batch < 5; ++batch) {
        ::QueryPerformanceCounter(&a);
        for (int i = 0; i < count; ++i) call();
        ::QueryPerformanceCounter(&b);
        const double us = 1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart) / count;
        if (us < best) best = us;
    }
    return best;
}

class Popup : public CWnd {
public:
    Popup(int w, int h)
    {
        SubclassWindow(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, w, h, nullptr, nullptr, nullptr, nullptr));
    }
    ~Popup() override { ::DestroyWindow(m_hWnd); }
};

void Compare(const char* name, int w, int h, const std::function<bool(int, int)>& key, int count)
{
    Popup wnd(w, h);
    CClientDC screen(nullptr);
    CDC image;
    image.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    bitmap.Attach(MakeBitmap(w, h, [&](int x, int y) { return key(x, y) ? kSkinKeyColor : RGB(90, 120, 200); }));
    CSelectObject select(&image, &bitmap);
    const RECT rc = {0, 0, w, h};
    const double runs = MicrosecondsPerCall([&] { ApplyImageRegion(&wnd, &image, rc); }, count);
    const double squares = MicrosecondsPerCall([&] { PerPixelRegion(wnd.m_hWnd, &image, w, h); }, count);
    const double bare =
        MicrosecondsPerCall([&] { ::SetWindowRgn(wnd.m_hWnd, ::CreateRectRgn(0, 0, w, h), TRUE); }, count);
    std::printf("%-30s %2dx%-2d  ApplyImageRegion %7.1f us  per-pixel squares %7.1f us  ratio %5.2f  "
                "(SetWindowRgn alone %6.1f us)\n", name, w, h, runs, squares, squares / runs, bare);
}

}  // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::atoi(argv[1]) : 0;
    const auto count = [calls](int usual) { return calls > 0 ? calls : usual; };
    // Cut corners of a 55 x 23 push button: 3 key pixels in each corner.
    Compare("push button, cut corners", 55, 23, [](int x, int y) {
        const int cx = x < 2 ? x : 54 - x, cy = y < 2 ? y : 22 - y;
        return cx >= 0 && cy >= 0 && cx + cy < 2;
    }, count(200));
    Compare("close button, rounded corner", 38, 25, [](int x, int y) {
        const int dx = x - 31, dy = 6 - y;
        return dx > 0 && dy > 0 && dx * dx + dy * dy > 36;
    }, count(200));
    Compare("all key pixels", 55, 23, [](int, int) { return true; }, count(20));
    Compare("every other column", 55, 23, [](int x, int) { return x % 2 == 0; }, count(20));
    return 0;
}
