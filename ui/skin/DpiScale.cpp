// DpiScale: rounding of scaled lengths and the choice among the art's drawn resolutions.
#include "DpiScale.h"

const int DpiScale::kArtDpis[] = {96, 192};
const int DpiScale::kArtDpiCount = sizeof kArtDpis / sizeof kArtDpis[0];

int DpiScale::Px(int n) const
{
    // Skin lengths and screen coordinates are far below 2^31 / DPI.
    const int rounded = ((n < 0 ? -n : n) * m_nDpi + kBaseDpi / 2) / kBaseDpi;
    return n < 0 ? -rounded : rounded;
}

int DpiScale::ArtDpi() const
{
    for (int i = 0; i < kArtDpiCount; ++i)
        if (kArtDpis[i] >= m_nDpi) return kArtDpis[i];
    return kArtDpis[kArtDpiCount - 1];
}
