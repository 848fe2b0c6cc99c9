// DpiScale: a window's display scale; turns the skin's 96-DPI lengths into the window's pixels.
#pragma once

class DpiScale {
public:
    // 96 DPI is 100 %: every length of the skin is given at that resolution.
    static const int kBaseDpi = 96;
    // The resolutions the skin's art is drawn at, lowest first.
    static const int kArtDpis[];
    static const int kArtDpiCount;

    explicit DpiScale(int nDpi = kBaseDpi) : m_nDpi(nDpi > 0 ? nDpi : kBaseDpi) {}

    int Dpi() const { return m_nDpi; }
    bool IsBase() const { return m_nDpi == kBaseDpi; }

    // A 96-DPI length or coordinate at this scale, rounded to the nearest pixel, halves away from zero.
    // Coordinates are scaled as edges: a neighbour that starts where another ends still does after scaling.
    int Px(int n) const;

    // The resolution of the drawing to take for this scale: the nearest drawn at or above it, so that art
    // is only ever made smaller; the largest drawn where the scale is above all of them.
    int ArtDpi() const;

    bool operator==(const DpiScale& other) const { return m_nDpi == other.m_nDpi; }
    bool operator!=(const DpiScale& other) const { return m_nDpi != other.m_nDpi; }

private:
    int m_nDpi;
};

// A 96-DPI rectangle given as left, top, width and height, at a scale: its edges are scaled, not its size.
struct ScaledRect {
    int x, y, cx, cy;
    ScaledRect(const DpiScale& scale, int left, int top, int width, int height)
        : x(scale.Px(left)), y(scale.Px(top)), cx(scale.Px(left + width) - x), cy(scale.Px(top + height) - y)
    {
    }
};
