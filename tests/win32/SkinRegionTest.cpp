// Window regions cut from skin images: corner squares mapped onto the window's corners, and whole images.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "CClientDC.h"
#include "CSelectObject.h"
#include "SkinTestSupport.h"
#include "WindowRegion.h"

namespace {

const COLORREF kFill = RGB(40, 90, 200);

class PopupWindow : public CWnd {
public:
    PopupWindow(int w, int h)
    {
        SubclassWindow(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 50, 50, w, h, nullptr, nullptr, nullptr, nullptr));
    }
    ~PopupWindow() override { ::DestroyWindow(m_hWnd); }
};

// A bitmap of w x h in kFill with the given key-coloured pixels.
HBITMAP KeyedBitmap(int w, int h, const std::set<std::pair<int, int>>& keys)
{
    return MakeBitmap(w, h, [&](int x, int y) { return keys.count({x, y}) ? kSkinKeyColor : kFill; });
}

void ApplyCorners(CWnd& wnd, HBITMAP hBitmap)
{
    CBitmap bitmap;
    bitmap.Attach(hBitmap);
    ApplyCornerRegion(&wnd, &bitmap);
}

bool In(CWnd& wnd, int x, int y)
{
    return InWindowRegion(wnd.m_hWnd, x, y);
}

}  // namespace

TEST(WindowRegion, CornerKeysAreCutButNotKeysElsewhere)
{
    PopupWindow wnd(40, 30);
    ApplyCorners(wnd, KeyedBitmap(40, 30, {{0, 0}, {1, 0}, {0, 1}, {39, 0}, {0, 29}, {39, 29}, {9, 9}, {20, 15},
                                           {10, 0}}));
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, ::GetWindowRgn(wnd.m_hWnd, rgn));
    ::DeleteObject(rgn);
    for (auto cut : {std::make_pair(0, 0), {1, 0}, {0, 1}, {39, 0}, {0, 29}, {39, 29}, {9, 9}})
        EXPECT_FALSE(In(wnd, cut.first, cut.second)) << cut.first << "," << cut.second;
    // (20, 15) lies in the middle and (10, 0) just outside the 10 x 10 corner: both stay.
    for (auto kept : {std::make_pair(20, 15), {10, 0}, {1, 1}, {38, 29}, {30, 0}})
        EXPECT_TRUE(In(wnd, kept.first, kept.second)) << kept.first << "," << kept.second;
}

TEST(WindowRegion, PlainCornersGiveTheClientRectangle)
{
    PopupWindow wnd(40, 30);
    ApplyCorners(wnd, KeyedBitmap(40, 30, {{20, 15}}));
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(SIMPLEREGION, ::GetWindowRgn(wnd.m_hWnd, rgn));
    RECT box;
    ::GetRgnBox(rgn, &box);
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(40, box.right);
    EXPECT_EQ(30, box.bottom);
    ::DeleteObject(rgn);
}

TEST(WindowRegion, CornersFollowAWiderOrSmallerWindow)
{
    const std::set<std::pair<int, int>> keys = {{0, 0}, {39, 0}, {0, 29}, {39, 29}, {35, 25}};
    {
        PopupWindow wider(60, 30);
        ApplyCorners(wider, KeyedBitmap(40, 30, keys));
        EXPECT_FALSE(In(wider, 0, 0));
        EXPECT_FALSE(In(wider, 59, 0));
        EXPECT_TRUE(In(wider, 39, 0));
        EXPECT_FALSE(In(wider, 59, 29));
        EXPECT_FALSE(In(wider, 55, 25));
        EXPECT_TRUE(In(wider, 35, 25));
    }
    {
        PopupWindow smaller(30, 20);
        ApplyCorners(smaller, KeyedBitmap(40, 30, keys));
        EXPECT_FALSE(In(smaller, 29, 0));
        EXPECT_FALSE(In(smaller, 0, 19));
        EXPECT_FALSE(In(smaller, 29, 19));
        EXPECT_FALSE(In(smaller, 25, 15));
        EXPECT_TRUE(In(smaller, 28, 19));
    }
}

TEST(WindowRegion, NarrowBitmapOverlappingSquaresCutOnce)
{
    PopupWindow wnd(12, 30);
    ApplyCorners(wnd, KeyedBitmap(12, 30, {{5, 0}, {11, 29}}));
    EXPECT_FALSE(In(wnd, 5, 0));
    EXPECT_FALSE(In(wnd, 11, 29));
    EXPECT_TRUE(In(wnd, 6, 0));
    EXPECT_TRUE(In(wnd, 4, 0));
}

TEST(WindowRegion, ImageRegionCutsEveryKeyPixel)
{
    PopupWindow wnd(20, 10);
    CClientDC screen(nullptr);
    CDC image;
    image.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    // A diagonal of key pixels plus a run of five on the last row.
    bitmap.Attach(MakeBitmap(20, 10, [](int x, int y) {
        return (x == y || (y == 9 && x >= 12 && x < 17)) ? kSkinKeyColor : kFill;
    }));
    {
        CSelectObject select(&image, &bitmap);
        ApplyImageRegion(&wnd, &image, RECT{0, 0, 20, 10});
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool key = x == y || (y == 9 && x >= 12 && x < 17);
            EXPECT_EQ(!key, In(wnd, x, y)) << x << "," << y;
        }
}

TEST(WindowRegion, AllKeyImageAndZeroHeightGiveEmptyRegions)
{
    PopupWindow wnd(16, 8);
    CClientDC screen(nullptr);
    CDC image;
    image.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    bitmap.Attach(MakeBitmap(16, 8, [](int, int) { return kSkinKeyColor; }));
    CSelectObject select(&image, &bitmap);
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);

    ApplyImageRegion(&wnd, &image, RECT{0, 0, 16, 8});
    EXPECT_EQ(NULLREGION, ::GetWindowRgn(wnd.m_hWnd, rgn));

    ApplyImageRegion(&wnd, &image, RECT{0, 0, 16, 0});
    EXPECT_EQ(NULLREGION, ::GetWindowRgn(wnd.m_hWnd, rgn));
    ::DeleteObject(rgn);
}
